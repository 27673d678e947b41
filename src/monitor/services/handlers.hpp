// The commands the services serve, one table per service family: each row
// names a function code, its handler and where its options lie. The EXEC
// interface (monitor/exec/dispatch.cpp) looks commands up in these tables.
//
// Adding a command: write its handler in its family's file, lay out its
// options in Option rows there, and add its row to the family's table.
#pragma once

#include <span>

#include "monitor/services/command.hpp"

namespace ravnmor::services {

std::span<const CommandRow> address_commands();            // address.cpp: ADDRESS
std::span<const CommandRow> assign_commands();             // assign.cpp: ASSIGN
std::span<const CommandRow> conversation_commands();       // ALLOCATE, CONNECT PROCESS ...
std::span<const CommandRow> deedit_commands();             // BIF DEEDIT
std::span<const CommandRow> dump_commands();               // DUMP
std::span<const CommandRow> enqueue_commands();            // ENQ, DEQ
std::span<const CommandRow> file_control_commands();       // READ, WRITE, browsing ...
std::span<const CommandRow> handle_commands();             // HANDLE, IGNORE, PUSH, POP
std::span<const CommandRow> inquire_commands();            // INQUIRE, SET
std::span<const CommandRow> journal_commands();            // JOURNAL, WAIT JOURNAL
std::span<const CommandRow> program_commands();            // LINK, XCTL, LOAD, RETURN ...
std::span<const CommandRow> storage_commands();            // GETMAIN, FREEMAIN
std::span<const CommandRow> task_control_commands();       // START, DELAY, ENQ ...
std::span<const CommandRow> temporary_storage_commands();  // WRITEQ TS ...
std::span<const CommandRow> terminal_commands();           // SEND, RECEIVE ...
std::span<const CommandRow> time_commands();               // ASKTIME, FORMATTIME
std::span<const CommandRow> trace_commands();              // TRACE, ENTER
std::span<const CommandRow> transient_data_commands();     // WRITEQ TD ...

}  // namespace ravnmor::services
