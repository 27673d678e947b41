// Offsets of the monitor's blocks that programs in the region rely on. The
// monitor lays its blocks out with these; a program reads them with the
// helpers of bytes.hpp. Everything else in the blocks is the monitor's own.
#pragma once

#include <cstddef>

namespace host {

// Task control block (xtcb): 32-bit links to the task's other blocks.
inline constexpr std::size_t kTcbTerminalData = 36;    // -> terminal control data
inline constexpr std::size_t kTcbEib = 120;            // -> EXEC interface block
inline constexpr std::size_t kTcbTerminalState = 156;  // -> terminal state block
inline constexpr std::size_t kTcbSize = 256;

// Terminal control data: its word at +80 points to the terminal I/O area.
inline constexpr std::size_t kTctTioa = 80;
inline constexpr std::size_t kTctSize = 128;

// Terminal state block: byte 739 is set to 2 by a program that is about to
// write back or read back the user's own screen.
inline constexpr std::size_t kTermStateUserScreen = 739;
inline constexpr std::size_t kTermStateSize = 768;
inline constexpr unsigned char kUserScreenMode = 2;

// Nucleus block (xnuc): +644 -> the last inbound record of the terminal
// (AID, two cursor address bytes, then the modified fields).
inline constexpr std::size_t kNucInput = 644;
inline constexpr std::size_t kNucSize = 1024;
inline constexpr std::size_t kInputSize = 7000;  // the input buffer's capacity

// Local data area (oxgetdm) +16 -> shared anchor, whose +248 -> global area.
inline constexpr std::size_t kLdaSharedAnchor = 16;
inline constexpr std::size_t kLdaSize = 64;
inline constexpr std::size_t kAnchorGlobalArea = 248;
inline constexpr std::size_t kAnchorSize = 256;
// Global area trace switches: either non-zero turns program tracing on.
inline constexpr std::size_t kGlobalTraceByte = 46;
inline constexpr std::size_t kGlobalTraceWord = 30232;
inline constexpr std::size_t kGlobalSize = 30240;

// Terminal I/O area (TIOA) and every copy of it a program keeps.
inline constexpr std::size_t kTioaSizeField = 2;   // 16-bit: size of the area
inline constexpr std::size_t kTioaDataLength = 8;  // 16-bit: length of the stream from kTioaData
inline constexpr std::size_t kTioaCommand = 10;    // 3270 write command
inline constexpr std::size_t kTioaWcc = 11;        // write control character
inline constexpr std::size_t kTioaData = 12;       // orders and screen data
inline constexpr std::size_t kTioaSize = 7012;
inline constexpr std::size_t kTioaDataCapacity = kTioaSize - kTioaData;

// EXEC interface block (EIB): offsets and widths of every field.
inline constexpr std::size_t kEibTime = 0;            // 4, 0HHMMSS+ packed
inline constexpr std::size_t kEibDate = 4;            // 4, 0CYYDDD+ packed
inline constexpr std::size_t kEibTrnid = 8;           // 4 characters
inline constexpr std::size_t kEibTaskn = 12;          // 4
inline constexpr std::size_t kEibTrmid = 16;          // 4 characters
inline constexpr std::size_t kEibGdi = 20;            // 2 (DFHEIGDI)
inline constexpr std::size_t kEibCposn = 22;          // 2, cursor offset
inline constexpr std::size_t kEibCalen = 24;          // 2, commarea length
inline constexpr std::size_t kEibAid = 26;            // 1
inline constexpr std::size_t kEibFn = 28;             // 2, function code
inline constexpr std::size_t kEibRcode = 32;          // 6
inline constexpr std::size_t kEibDs = 40;             // 8 characters
inline constexpr std::size_t kEibReqid = 48;          // 8 characters
inline constexpr std::size_t kEibRsrce = 56;          // 8 characters
inline constexpr std::size_t kEibSync = 64;           // 1
inline constexpr std::size_t kEibFree = 65;           // 1
inline constexpr std::size_t kEibRecv = 66;           // 1
inline constexpr std::size_t kEibSend = 67;           // 1
inline constexpr std::size_t kEibAtt = 68;            // 1
inline constexpr std::size_t kEibEoc = 69;            // 1
inline constexpr std::size_t kEibFmh = 70;            // 1
inline constexpr std::size_t kEibCompl = 71;          // 1
inline constexpr std::size_t kEibSig = 72;            // 1
inline constexpr std::size_t kEibConf = 73;           // 1
inline constexpr std::size_t kEibErr = 74;            // 1
inline constexpr std::size_t kEibErrcd = 76;          // 4
inline constexpr std::size_t kEibSynrb = 80;          // 1
inline constexpr std::size_t kEibNodat = 81;          // 1
inline constexpr std::size_t kEibResp = 84;           // 4
inline constexpr std::size_t kEibResp2 = 88;          // 4
inline constexpr std::size_t kEibReturnRequest = 94;  // 2, non-zero: the program issues go-back
inline constexpr std::size_t kEibSize = 96;

// Terminal constants block (xcnv).
inline constexpr std::size_t kCnvAidTable = 844;  // 256 bytes: raw key byte -> 3270 AID
inline constexpr std::size_t kCnvAidTableSize = 256;
inline constexpr std::size_t kCnvSba = 1117;         // Set Buffer Address order
inline constexpr std::size_t kCnvIc = 1119;          // Insert Cursor order
inline constexpr std::size_t kCnvKeyStart = 1196;    // start value of a screen loop's key (not PF3)
inline constexpr std::size_t kCnvKeyEnter = 1225;    // raw key byte of Enter
inline constexpr std::size_t kCnvWcc = 1294;         // WCC: restore keyboard, reset MDTs
inline constexpr std::size_t kCnvInputAttr = 1301;   // unprotected input field, MDT pre-set
inline constexpr std::size_t kCnvProtAttr = 1340;    // plain protected text
inline constexpr std::size_t kCnvKeyPf3 = 1343;      // raw key byte of PF3
inline constexpr std::size_t kCnvWriteCmd = 1345;    // 3270 erase/write command
inline constexpr std::size_t kCnvBrightAttr = 1348;  // protected, intensified text
inline constexpr std::size_t kCnvSize = 1352;

// The 3270 screen the interpreter's screens are laid out for (model 2).
inline constexpr int kScreenRows = 24;
inline constexpr int kScreenColumns = 80;
inline constexpr int kScreenSize = kScreenRows * kScreenColumns;

// The screen offset of a row and column, both from 1, as the screen building
// operations take it: the cell of a field's attribute byte (its text follows).
constexpr int offset_of(int row, int column) {
  return (row - 1) * kScreenColumns + column;
}

}  // namespace host
