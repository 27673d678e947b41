// The services' handlers of EXEC calls, one per function code. The EXEC
// interface's handler table (monitor/exec/dispatch.cpp) names each of them
// in one row.
#pragma once

#include "monitor/services/command.hpp"

namespace ravnmor::services {

// Program control (program.cpp).
Response program_entry(const Command& command);    // X'1903' the program's own entry call
Response program_go_back(const Command& command);  // X'1905' its go-back call
Response link(const Command& command);             // X'0E02' LINK
Response xctl(const Command& command);             // X'0E04' XCTL
Response load(const Command& command);             // X'0E06' LOAD
Response return_command(const Command& command);   // X'0E08' RETURN
Response release(const Command& command);          // X'0E0A' RELEASE
Response abend(const Command& command);            // X'0E0C' ABEND

// Task and system (address.cpp).
Response address(const Command& command);  // X'0202' ADDRESS
Response assign(const Command& command);   // X'0208' ASSIGN (assign.cpp)

// Temporary storage (temporary_storage.cpp).
Response writeq_ts(const Command& command);   // X'0A02' WRITEQ TS
Response readq_ts(const Command& command);    // X'0A04' READQ TS
Response deleteq_ts(const Command& command);  // X'0A06' DELETEQ TS

// Storage control (storage.cpp).
Response getmain(const Command& command);   // X'0C02' GETMAIN
Response freemain(const Command& command);  // X'0C04' FREEMAIN

// Interval control's clock (time.cpp).
Response asktime(const Command& command);     // X'1002' ASKTIME
Response formattime(const Command& command);  // X'4A04' FORMATTIME

// Terminal control (terminal.cpp).
Response receive(const Command& command);       // X'0402' RECEIVE
Response send_data(const Command& command);     // X'0404' SEND
Response send_text(const Command& command);     // X'1806' SEND TEXT
Response send_control(const Command& command);  // X'1812' SEND CONTROL

// Transient data (transient_data.cpp).
Response writeq_td(const Command& command);   // X'0802' WRITEQ TD
Response readq_td(const Command& command);    // X'0804' READQ TD
Response deleteq_td(const Command& command);  // X'0806' DELETEQ TD

// File control (file_control.cpp).
Response read_file(const Command& command);     // X'0602' READ
Response write_file(const Command& command);    // X'0604' WRITE
Response rewrite_file(const Command& command);  // X'0606' REWRITE
Response delete_file(const Command& command);   // X'0608' DELETE
Response unlock_file(const Command& command);   // X'060A' UNLOCK
Response startbr(const Command& command);       // X'060C' STARTBR
Response readnext(const Command& command);      // X'060E' READNEXT
Response readprev(const Command& command);      // X'0610' READPREV
Response endbr(const Command& command);         // X'0612' ENDBR
Response resetbr(const Command& command);       // X'0614' RESETBR

// Task control (task_control.cpp).
Response delay(const Command& command);      // X'1004' DELAY
Response start(const Command& command);      // X'1008' START
Response retrieve(const Command& command);   // X'100A' RETRIEVE
Response cancel(const Command& command);     // X'100C' CANCEL
Response enq(const Command& command);        // X'1204' ENQ
Response deq(const Command& command);        // X'1206' DEQ
Response suspend(const Command& command);    // X'1208' SUSPEND
Response syncpoint(const Command& command);  // X'1602' SYNCPOINT

}  // namespace ravnmor::services
