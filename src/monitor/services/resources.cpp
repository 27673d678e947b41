#include "monitor/services/resources.hpp"

#include "monitor/services/region_store.hpp"

namespace ravnmor::services {

std::int64_t resource_status(const store::StatusKey& key, std::int64_t configured) {
  store::Store* store = region_store();
  std::int64_t value = configured;
  if (store == nullptr || store->status_read(key, value) != store::Outcome::ok) return configured;
  return value;
}

store::Outcome set_resource_status(const store::StatusKey& key, std::int64_t value) {
  store::Store* store = region_store();
  if (store == nullptr) return store::Outcome::failed;
  return store->status_write(key, value);
}

std::string td_queue_key(const region::TdQueueDefinition& queue) {
  constexpr std::size_t kQueueNameLength = 4;
  std::string key = queue.name;
  key.resize(kQueueNameLength, ' ');
  return key;
}

}  // namespace ravnmor::services
