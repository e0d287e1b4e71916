#pragma once

#include <cstdint>
#include <map>
#include <string>

// Tells whether the program that wrote a receipt file is done with it. Linux lets a file be
// renamed while its writer still has it open, so a half-written receipt could be printed.
class TReceiptFileGate {
public:
    // True when Path may be taken now. Where the system grants a file lease, that is when no
    // process holds the file open for writing; elsewhere when its size and last-write time are
    // those this gate saw at its previous call for the file.
    bool WriterDone(const std::string& Path);
    // The fallback of WriterDone: True when Path has the size and last-write time it had at
    // the previous call for it (a file that is gone counts as steady).
    bool SteadySinceLastCall(const std::string& Path);

private:
    struct TSeen {
        int64_t Size;
        int64_t MTimeNs;
    };
    std::map<std::string, TSeen> FSeen;
};

enum class TWriterState { Done, Writing, Unknown };

// Whether another process holds Path open for writing, asked through a read lease taken and
// given back at once; Unknown where no lease can be had.
TWriterState LeaseWriterState(const std::string& Path);
