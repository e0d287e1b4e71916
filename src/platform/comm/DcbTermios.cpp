#include "DcbTermios.h"

#include <sys/ioctl.h>
#include <termios.h>

#include <cerrno>
#include <cstring>

#include "CommErrors.h"
#include "DcbRules.h"
#include "TermiosComm.h"
#include "TermiosCustomSpeed.h"

namespace platform {

namespace {

struct SpeedConstant {
    DWORD speed;
    speed_t constant;
};

constexpr SpeedConstant kSpeeds[] = {
    {50, B50},           {75, B75},           {110, B110},         {134, B134},
    {150, B150},         {200, B200},         {300, B300},         {600, B600},
    {1200, B1200},       {1800, B1800},       {2400, B2400},       {4800, B4800},
    {9600, B9600},       {19200, B19200},     {38400, B38400},     {57600, B57600},
    {115200, B115200},   {230400, B230400},   {460800, B460800},   {500000, B500000},
    {576000, B576000},   {921600, B921600},   {1000000, B1000000}, {1152000, B1152000},
    {1500000, B1500000}, {2000000, B2000000}, {2500000, B2500000}, {3000000, B3000000},
    {3500000, B3500000}, {4000000, B4000000},
};

// Changing DTR or RTS by hand; a line without modem lines (a pseudo-terminal) has nothing to
// change.
DWORD SetModemLine(int fd, int line, bool on) {
    if (ioctl(fd, on ? TIOCMBIS : TIOCMBIC, &line) == 0 || errno == ENOTTY || errno == EINVAL) {
        return ERROR_SUCCESS;
    }
    return ErrorFromErrno(errno);
}

}  // namespace

DWORD DcbToTermios(const DCB& dcb, termios& settings, DWORD& customSpeed) {
    const DWORD flags = dcb.Flags;
    const DWORD dtr = flags & dcb::fDtrControlMask;
    const DWORD rts = flags & dcb::fRtsControlMask;
    const bool replacesParityErrors = (flags & dcb::fParity) && (flags & dcb::fErrorChar);
    if (!DcbIsValid(dcb) || (flags & (dcb::fOutxDsrFlow | dcb::fDsrSensitivity | dcb::fNull)) ||
        dtr == dcb::fDtrControlHandshake || dtr == dcb::fDtrControlMask ||
        rts == dcb::fRtsControlToggle || replacesParityErrors) {
        return ERROR_INVALID_PARAMETER;
    }
    // Linux sends 1.5 stop bits for CSTOPB with five data bits, and 2 otherwise.
    const bool fiveBits = dcb.ByteSize == 5;
    if ((dcb.StopBits == ONE5STOPBITS && !fiveBits) || (dcb.StopBits == TWOSTOPBITS && fiveBits)) {
        return ERROR_INVALID_PARAMETER;
    }
    settings.c_cflag &= ~(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS);
    settings.c_iflag &= ~(INPCK | IGNPAR | PARMRK | IXON | IXOFF | IXANY);
    constexpr tcflag_t kSizes[] = {CS5, CS6, CS7, CS8};
    settings.c_cflag |= kSizes[dcb.ByteSize - 5];
    constexpr tcflag_t kParities[] = {0, PARENB | PARODD, PARENB, PARENB | CMSPAR | PARODD,
                                      PARENB | CMSPAR};
    settings.c_cflag |= kParities[dcb.Parity];
    if (dcb.StopBits != ONESTOPBIT) {
        settings.c_cflag |= CSTOPB;
    }
    if ((flags & dcb::fOutxCtsFlow) || rts == dcb::fRtsControlHandshake) {
        settings.c_cflag |= CRTSCTS;
    }
    if (flags & dcb::fParity) {
        settings.c_iflag |= INPCK;
    }
    if (flags & dcb::fOutX) {
        settings.c_iflag |= IXON;
    }
    if (flags & dcb::fInX) {
        settings.c_iflag |= IXOFF;
    }
    settings.c_cc[VSTART] = static_cast<cc_t>(dcb.XonChar);
    settings.c_cc[VSTOP] = static_cast<cc_t>(dcb.XoffChar);
    customSpeed = dcb.BaudRate;
    // cfsetispeed leaves the kernel's input field alone, where an earlier custom speed stays
    // marked; cleared, the input speed is the output speed.
    settings.c_cflag &= ~CIBAUD;
    for (const SpeedConstant& entry : kSpeeds) {
        if (entry.speed == dcb.BaudRate) {
            cfsetispeed(&settings, entry.constant);
            cfsetospeed(&settings, entry.constant);
            customSpeed = 0;
        }
    }
    return ERROR_SUCCESS;
}

void TermiosToDcb(const termios& settings, DCB& dcb) {
    const tcflag_t size = settings.c_cflag & CSIZE;
    dcb.ByteSize = size == CS5 ? 5 : size == CS6 ? 6 : size == CS7 ? 7 : 8;
    const tcflag_t cflag = settings.c_cflag;
    if (!(cflag & PARENB)) {
        dcb.Parity = NOPARITY;
    } else if (cflag & CMSPAR) {
        dcb.Parity = (cflag & PARODD) ? MARKPARITY : SPACEPARITY;
    } else {
        dcb.Parity = (cflag & PARODD) ? ODDPARITY : EVENPARITY;
    }
    dcb.StopBits = !(cflag & CSTOPB) ? ONESTOPBIT : dcb.ByteSize == 5 ? ONE5STOPBITS : TWOSTOPBITS;
    auto setFlag = [&dcb](DWORD flag, bool on) {
        dcb.Flags = on ? dcb.Flags | flag : dcb.Flags & ~flag;
    };
    setFlag(dcb::fParity, settings.c_iflag & INPCK);
    setFlag(dcb::fOutX, settings.c_iflag & IXON);
    setFlag(dcb::fInX, settings.c_iflag & IXOFF);
    // CRTSCTS stands for both CTS output flow and RTS handshake; keep the DCB's choice of the
    // two while it agrees with the terminal.
    const bool rtsHandshake = (dcb.Flags & dcb::fRtsControlMask) == dcb::fRtsControlHandshake;
    const bool ctsFlow = (dcb.Flags & dcb::fOutxCtsFlow) != 0;
    if ((cflag & CRTSCTS) && !rtsHandshake && !ctsFlow) {
        dcb.Flags =
            (dcb.Flags & ~dcb::fRtsControlMask) | dcb::fRtsControlHandshake | dcb::fOutxCtsFlow;
    } else if (!(cflag & CRTSCTS)) {
        setFlag(dcb::fOutxCtsFlow, false);
        if (rtsHandshake) {
            dcb.Flags &= ~dcb::fRtsControlMask;
        }
    }
    dcb.XonChar = static_cast<char>(settings.c_cc[VSTART]);
    dcb.XoffChar = static_cast<char>(settings.c_cc[VSTOP]);
}

BOOL TermiosComm::SetCommState(HANDLE hFile, DCB* lpDCB) {
    std::shared_ptr<TermiosPort> port = Find(hFile, lpDCB != nullptr);
    if (!port) {
        return FALSE;
    }
    std::lock_guard lock(port->mutex);
    termios settings{};
    if (tcgetattr(port->fd, &settings) != 0) {
        return FailWith(ErrorFromErrno(errno));
    }
    DWORD customSpeed = 0;
    if (DWORD error = DcbToTermios(*lpDCB, settings, customSpeed); error != ERROR_SUCCESS) {
        return FailWith(error);
    }
    if (customSpeed != 0) {
        TermiosFields fields{settings.c_iflag, settings.c_oflag, settings.c_cflag,
                             settings.c_lflag, settings.c_line,  {}};
        std::memcpy(fields.cc, settings.c_cc, sizeof fields.cc);
        if (int err = WriteTermiosWithSpeed(port->fd, fields, customSpeed); err != 0) {
            return FailWith(ErrorFromErrno(err));
        }
    } else if (tcsetattr(port->fd, TCSANOW, &settings) != 0) {
        return FailWith(ErrorFromErrno(errno));
    }
    const DWORD dtr = lpDCB->Flags & dcb::fDtrControlMask;
    const DWORD rts = lpDCB->Flags & dcb::fRtsControlMask;
    DWORD error = SetModemLine(port->fd, TIOCM_DTR, dtr == dcb::fDtrControlEnable);
    if (error == ERROR_SUCCESS && rts != dcb::fRtsControlHandshake) {
        error = SetModemLine(port->fd, TIOCM_RTS, rts == dcb::fRtsControlEnable);
    }
    if (error != ERROR_SUCCESS) {
        return FailWith(error);
    }
    port->dcb = *lpDCB;
    return TRUE;
}

BOOL TermiosComm::GetCommState(HANDLE hFile, DCB* lpDCB) {
    std::shared_ptr<TermiosPort> port = Find(hFile, lpDCB != nullptr);
    if (!port) {
        return FALSE;
    }
    std::lock_guard lock(port->mutex);
    termios settings{};
    if (tcgetattr(port->fd, &settings) != 0) {
        return FailWith(ErrorFromErrno(errno));
    }
    *lpDCB = port->dcb;
    TermiosToDcb(settings, *lpDCB);
    lpDCB->BaudRate = ReadTermiosSpeed(port->fd);
    return TRUE;
}

}  // namespace platform
