// Error texts and the status routines of the device.
#include "BaseDeviceUnit.h"

namespace {

struct TErrorEntry {
    int32_t Code;
    const char* Text;
};

// Texts in the ANSI code page (Windows-1251): 213 holds the Cyrillic small em (0xEC), 233 and
// 235 the Cyrillic capital O (0xCE) in place of the Latin letters.
constexpr TErrorEntry kErrorTexts[] = {
    {101, "COM port is not active."},
    {102, "Error writing to COM."},
    {103, "Fiscal printer does not respond."},
    {104, "Fail read byte from packet."},
    {105, "Fail read data from packet."},
    {106, "NAK. Printer does not recognize the command."},
    {107, "Fail read data from port."},
    {109, "Error in the packet. Wrong serial number."},
    {110, "Error in packet. Command error."},
    {111, "Error in packet. Invalid checksum."},
    {112, "Error in packet. Invalid length."},
    {120, "Device is bussy."},
    {130, "Printer returns an error: "},
    {132, "This command is not supported."},
    {200, "Invalid data from the printer. Varying length of the declared."},
    {201, "Invalid input data."},
    {203, "Received an error message from the printer."},
    {204, "Invalid command."},
    {205, "Syntax error in command."},
    {206, "The command execution is denied."},
    {207, "Lack of funds."},
    {208, "Not opened fisc. receipt."},
    {209, "Not opened comment receipt."},
    {210, "No paper."},
    {211, "There is an error in the fiscal memory."},
    {212, "Fiscal memory is full."},
    {213,
     "Fisk.\xEC"
     "emory is locked."},
    {214, "The last entry in the fiscal memory is not successful."},
    {215, "There is opened comment reciept."},
    {216, "The command is not allowed in the current fiscal regime."},
    {217, "There is oppened fisc.reciept."},
    {218, "The clock is not set."},
    {219, "The printer is malfunctioning or oppened."},
    {220, "There is the destruction of RAM after switching."},
    {221, "Low battery (Clock is in RESET)."},
    {222, "Committed Clearing RAM."},
    {223, "Overflow of some fields in amounts."},
    {224, "End of el.journal."},
    {225, "Printer cover is opened."},
    {226, "Low paper."},
    {227, "It has a memory for at least 50 entries in fisc.memory."},
    {228, "Error reading from fisc.memory."},
    {229, "Not connected customer display."},
    {230, "Open a fiscal receipt rotated 90 degrees."},
    {231, "Tax gprs terminal does not answer."},
    {233,
     "\xCE"
     "pened fiscal receipt."},
    {235,
     "\xCE"
     "pened comment receipt."},
    {236, "Very close to the end of el.journal."},
    {237, "State of Sw7."},
    {238, "State of Sw6."},
    {239, "State of Sw5."},
    {240, "State of Sw4."},
    {241, "State of Sw3."},
    {242, "State of Sw2."},
    {243, "State of Sw1."},
    {244, "Individual number of the printer and number of fisc.memory are set."},
    {245, "Unique identifier code is set."},
    {246, "Fiscal memori is formated."},
    {247, "The printer is in the fiscal mode."},
    {248, "Close to the end el.journal - 10MB."},
    {249, "Not assigned unique identification number."},
    {250,
     "Error in payment. The accumulated amount is negative or payment type has limited "
     "functionality."},
    {251, "Printer hardware error."},
};

struct TStatusFlag {
    int32_t Code;
    uint8_t ByteIndex;
    uint8_t Bit;
};

// Every flag a failure message names, in the order of the message.
constexpr TStatusFlag kDescribedFlags[] = {
    {205, 0, 0}, {204, 0, 1}, {218, 0, 2}, {223, 1, 0}, {216, 1, 1}, {222, 1, 2}, {221, 1, 3},
    {220, 1, 4}, {224, 2, 2}, {210, 2, 0}, {211, 4, 0}, {212, 4, 4}, {214, 5, 2}, {213, 5, 0},
};

// The flags that make a connected printer unfit for work.
constexpr TStatusFlag kWarningFlags[] = {
    {218, 0, 2}, {222, 1, 2}, {221, 1, 3}, {220, 1, 4}, {224, 2, 2},
    {211, 4, 0}, {212, 4, 4}, {214, 5, 2}, {213, 5, 0},
};

bool IsFlagSet(const TDataBuffer& Status, const TStatusFlag& Flag) {
    return TBaseDevice::IsBitSet(Status, Flag.ByteIndex, Flag.Bit);
}

void RemoveLeadingComma(std::string& Text) {
    if (!Text.empty() && Text.front() == ',') {
        Text.erase(0, 1);
    }
}

}  // namespace

std::string TBaseDevice::ErrorText(int32_t Code, const std::string& Detail) {
    for (const TErrorEntry& entry : kErrorTexts) {
        if (entry.Code == Code) {
            return std::string(entry.Text) + " " + Detail;
        }
    }
    return " " + Detail;
}

void TBaseDevice::CheckStatusBits(const TDataBuffer& Status,
                                  std::initializer_list<TStatusBitCheck> Checks) {
    for (const TStatusBitCheck& check : Checks) {
        if (IsBitSet(Status, check.ByteIndex, check.Bit) != check.RaiseWhenClear) {
            throw ECmdException(check.Code, "[" + std::to_string(check.ByteIndex) + "/" +
                                                std::to_string(check.Bit) + "]");
        }
    }
}

void TBaseDevice::CheckStatusBasic(const TDataBuffer& Status) {
    if (Status.size() != 6) {
        throw ECmdException(200, "[6/" + std::to_string(Status.size()) + "]");
    }
    CheckStatusBits(Status, {{0, 0, 205}, {0, 1, 204}});
}

void TBaseDevice::CheckStatus(const TDataBuffer& Status) {
    CheckStatusBasic(Status);
    CheckStatusBits(Status, {{1, 4, 220}, {1, 3, 221}, {1, 2, 222}, {1, 1, 216}, {1, 0, 223}});
}

bool TBaseDevice::StatusToText(const TDataBuffer& Status, int32_t Skip, std::string& Text) {
    for (const TStatusFlag& flag : kDescribedFlags) {
        if (flag.Code == Skip || !IsFlagSet(Status, flag)) {
            continue;
        }
        if (flag.Code == 205) {
            Text = ErrorText(flag.Code, "");
        } else {
            Text += ", " + ErrorText(flag.Code, "");
        }
    }
    RemoveLeadingComma(Text);
    return Trim(Text).empty();
}

bool TBaseDevice::StatusWarnings(const TDataBuffer& Status, std::string& Text) {
    Text.clear();
    for (const TStatusFlag& flag : kWarningFlags) {
        if (IsFlagSet(Status, flag)) {
            Text += ", " + ErrorText(flag.Code, "");
            FLastErrorCode = flag.Code;
        }
    }
    RemoveLeadingComma(Text);
    Text = Trim(Text);
    return Text.empty();
}

void TBaseDevice::HandleException(const std::exception& E, const TDataBuffer& Status) {
    const auto* cmd = dynamic_cast<const ECmdException*>(&E);
    if (cmd == nullptr) {
        FLastErrorMsg = E.what();
        return;
    }
    FLastErrorCode = cmd->Code;
    FLastErrorMsg = ErrorText(cmd->Code, cmd->what());
    if (!Status.empty()) {
        std::string flags;
        StatusToText(Status, cmd->Code, flags);
        FLastErrorMsg += " " + flags;
    }
}
