// What the region does with its files outside the file commands.
#pragma once

#include "monitor/region/config.hpp"
#include "monitor/store/store.hpp"

namespace ravnmor::services {

// Fills the sample file of a new region's configuration with its records
// (a record already there stays); ok when the configuration has no sample
// file. The store's outcome otherwise.
store::Outcome load_sample_records(const region::RegionConfig& config, store::Store& store);

}  // namespace ravnmor::services
