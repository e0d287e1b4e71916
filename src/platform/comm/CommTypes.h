#pragma once

// The Windows shape of the serial-port calls: the integer types, records, flags and error numbers
// that the serial-port component is written against. No system header is included here.

#include <cstdint>

namespace platform {

using BYTE = uint8_t;
using WORD = uint16_t;
using DWORD = uint32_t;
using BOOL = int32_t;
using ULONG_PTR = uintptr_t;
using LPCSTR = const char*;
using HANDLE = void*;

inline constexpr BOOL TRUE = 1;
inline constexpr BOOL FALSE = 0;
inline constexpr DWORD MAXDWORD = 0xFFFFFFFF;
inline constexpr DWORD INFINITE = 0xFFFFFFFF;

inline const HANDLE INVALID_HANDLE_VALUE = reinterpret_cast<HANDLE>(~uintptr_t{0});

// CreateFileA
inline constexpr DWORD GENERIC_READ = 0x80000000;
inline constexpr DWORD GENERIC_WRITE = 0x40000000;
inline constexpr DWORD OPEN_EXISTING = 3;
inline constexpr DWORD FILE_FLAG_OVERLAPPED = 0x40000000;

// Line settings. The flag word holds what the Windows record keeps in bit fields.
struct DCB {
    DWORD DCBlength;
    DWORD BaudRate;
    DWORD Flags;
    WORD wReserved;
    WORD XonLim;
    WORD XoffLim;
    BYTE ByteSize;
    BYTE Parity;
    BYTE StopBits;
    char XonChar;
    char XoffChar;
    char ErrorChar;
    char EofChar;
    char EvtChar;
    WORD wReserved1;
};
static_assert(sizeof(DCB) == 28);

namespace dcb {
inline constexpr DWORD fBinary = 0x1;
inline constexpr DWORD fParity = 0x2;
inline constexpr DWORD fOutxCtsFlow = 0x4;
inline constexpr DWORD fOutxDsrFlow = 0x8;
inline constexpr DWORD fDtrControlMask = 0x30;
inline constexpr DWORD fDtrControlDisable = 0x0;
inline constexpr DWORD fDtrControlEnable = 0x10;
inline constexpr DWORD fDtrControlHandshake = 0x20;
inline constexpr DWORD fDsrSensitivity = 0x40;
inline constexpr DWORD fTXContinueOnXoff = 0x80;
inline constexpr DWORD fOutX = 0x100;
inline constexpr DWORD fInX = 0x200;
inline constexpr DWORD fErrorChar = 0x400;
inline constexpr DWORD fNull = 0x800;
inline constexpr DWORD fRtsControlMask = 0x3000;
inline constexpr DWORD fRtsControlDisable = 0x0;
inline constexpr DWORD fRtsControlEnable = 0x1000;
inline constexpr DWORD fRtsControlHandshake = 0x2000;
inline constexpr DWORD fRtsControlToggle = 0x3000;
inline constexpr DWORD fAbortOnError = 0x4000;
}  // namespace dcb

inline constexpr BYTE NOPARITY = 0;
inline constexpr BYTE ODDPARITY = 1;
inline constexpr BYTE EVENPARITY = 2;
inline constexpr BYTE MARKPARITY = 3;
inline constexpr BYTE SPACEPARITY = 4;
inline constexpr BYTE ONESTOPBIT = 0;
inline constexpr BYTE ONE5STOPBITS = 1;
inline constexpr BYTE TWOSTOPBITS = 2;

struct COMMTIMEOUTS {
    DWORD ReadIntervalTimeout;
    DWORD ReadTotalTimeoutMultiplier;
    DWORD ReadTotalTimeoutConstant;
    DWORD WriteTotalTimeoutMultiplier;
    DWORD WriteTotalTimeoutConstant;
};

// The Windows status bits (fCtsHold and the rest) are never set here: no driver reports them.
struct COMSTAT {
    DWORD Flags;
    DWORD cbInQue;
    DWORD cbOutQue;
};

// Internal holds STATUS_PENDING while the request runs, then 0 or the Windows error number it
// failed with; InternalHigh holds the bytes moved.
struct OVERLAPPED {
    ULONG_PTR Internal;
    ULONG_PTR InternalHigh;
    DWORD Offset;
    DWORD OffsetHigh;
    HANDLE hEvent;
};
inline constexpr ULONG_PTR STATUS_PENDING = 0x103;

// PurgeComm
inline constexpr DWORD PURGE_TXABORT = 0x1;
inline constexpr DWORD PURGE_RXABORT = 0x2;
inline constexpr DWORD PURGE_TXCLEAR = 0x4;
inline constexpr DWORD PURGE_RXCLEAR = 0x8;

// ClearCommError
inline constexpr DWORD CE_RXOVER = 0x1;
inline constexpr DWORD CE_OVERRUN = 0x2;
inline constexpr DWORD CE_RXPARITY = 0x4;
inline constexpr DWORD CE_FRAME = 0x8;
inline constexpr DWORD CE_BREAK = 0x10;
inline constexpr DWORD CE_TXFULL = 0x100;
inline constexpr DWORD CE_IOE = 0x400;
inline constexpr DWORD CE_MODE = 0x8000;

// GetCommModemStatus
inline constexpr DWORD MS_CTS_ON = 0x10;
inline constexpr DWORD MS_DSR_ON = 0x20;
inline constexpr DWORD MS_RING_ON = 0x40;
inline constexpr DWORD MS_RLSD_ON = 0x80;

// SetCommMask / WaitCommEvent
inline constexpr DWORD EV_RXCHAR = 0x1;
inline constexpr DWORD EV_RXFLAG = 0x2;
inline constexpr DWORD EV_TXEMPTY = 0x4;
inline constexpr DWORD EV_CTS = 0x8;
inline constexpr DWORD EV_DSR = 0x10;
inline constexpr DWORD EV_RLSD = 0x20;
inline constexpr DWORD EV_BREAK = 0x40;
inline constexpr DWORD EV_ERR = 0x80;
inline constexpr DWORD EV_RING = 0x100;
inline constexpr DWORD EV_RX80FULL = 0x400;

// Waits
inline constexpr DWORD WAIT_OBJECT_0 = 0;
inline constexpr DWORD WAIT_TIMEOUT = 258;
inline constexpr DWORD WAIT_FAILED = 0xFFFFFFFF;

// Error numbers
inline constexpr DWORD ERROR_SUCCESS = 0;
inline constexpr DWORD ERROR_INVALID_FUNCTION = 1;
inline constexpr DWORD ERROR_FILE_NOT_FOUND = 2;
inline constexpr DWORD ERROR_PATH_NOT_FOUND = 3;
inline constexpr DWORD ERROR_ACCESS_DENIED = 5;
inline constexpr DWORD ERROR_INVALID_HANDLE = 6;
inline constexpr DWORD ERROR_NOT_ENOUGH_MEMORY = 8;
inline constexpr DWORD ERROR_GEN_FAILURE = 31;
inline constexpr DWORD ERROR_NOT_SUPPORTED = 50;
inline constexpr DWORD ERROR_INVALID_PARAMETER = 87;
inline constexpr DWORD ERROR_SEM_TIMEOUT = 121;
inline constexpr DWORD ERROR_OPERATION_ABORTED = 995;
inline constexpr DWORD ERROR_IO_INCOMPLETE = 996;
inline constexpr DWORD ERROR_IO_PENDING = 997;
inline constexpr DWORD ERROR_IO_DEVICE = 1117;

}  // namespace platform
