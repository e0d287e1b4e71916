#pragma once

// A receipt folder of the test's own and a printer connected to the emulator through the built
// Kalvora.so, registered in a registry of the test's own; the driver talks TCP to the emulator.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "ConstUnit_Program.h"
#include "Emulator.h"
#include "FPAxUnit.h"
#include "RegisteredDriver.h"
#include "TestFolder.h"

class EmulatorTest : public TestFolder {
protected:
    void SetUp() override {
        TestFolder::SetUp();
        ResetSettings();
        ::setenv("KALVORA_REGISTRY", Path("registry").c_str(), 1);
        Settings().BonFolder = dir_.string() + "/";
        Settings().AxLogDir = dir_.string() + "/ax/";
    }
    void TearDown() override {
        printer_.reset();
        if (emulator_) {
            emulator_->Stop();
        }
        driver_.reset();
        ::unsetenv("KALVORA_REGISTRY");
        ResetSettings();
        TestFolder::TearDown();
    }

    // The printer connected to a fresh emulator, as the main window connects before a batch.
    void Connect() {
        driver_ = std::make_unique<RegisteredDriver>();
        emulator_ = fpemu::Emulator::StartTcp();
        NewPrinter();
    }
    // A new printer access object on the same emulator, as after a restart of the program.
    void NewPrinter() {
        printer_ = std::make_unique<TFPPrinter>();
        printer_->OnMessage = [this](const std::string& m) { log_.push_back(m); };
        ASSERT_TRUE(ConnectToEmulator(*printer_, *emulator_));
    }

    std::string Header() const {
        const TPrnInfo& info = printer_->PrnInfo;
        return "FP model name: " + info.Model + "\r\nFP Serial No: " + info.Serial +
               "\r\nFP fiscal module No: " + info.FiscalNo + "\r\n----\r\n";
    }
    bool Printed(const std::string& Text) const {
        const std::vector<std::string> journal = emulator_->Journal();
        return std::any_of(journal.begin(), journal.end(), [&](const std::string& line) {
            return line.find(Text) != std::string::npos;
        });
    }
    bool Logged(const std::string& Text) const {
        return std::find(log_.begin(), log_.end(), Text) != log_.end();
    }

    std::unique_ptr<RegisteredDriver> driver_;
    std::unique_ptr<fpemu::Emulator> emulator_;
    std::unique_ptr<TFPPrinter> printer_;
    std::vector<std::string> log_;
};
