// Two programs, each with its own printer, started on one receipt folder: every file is printed
// once and answered once.
#include <gtest/gtest.h>

#include "FaultFigures.h"

namespace faults {
namespace {

constexpr int kFiles = 20;

TEST(TwoPrograms, OnOneFolderPrintEachFileOnce) {
    TRig rig(2);
    std::vector<TReceipt> files;
    for (int i = 0; i < kFiles; ++i) {
        files.push_back(FiscalReceipt("file" + std::to_string(100 + i)));
    }
    rig.Program(0).Start();
    rig.Program(1).Start();
    rig.Drop(files);
    Report("Two programs on one folder", Finish(rig, files));
}

}  // namespace
}  // namespace faults
