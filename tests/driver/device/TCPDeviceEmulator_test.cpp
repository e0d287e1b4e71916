// The TCP device against the printer emulator, in real time.
#include <vector>

#include <gtest/gtest.h>

#include "Emulator.h"
#include "TCPDeviceUnit.h"

namespace {

class TCPDeviceEmulator : public ::testing::Test {
protected:
    TCPDeviceEmulator() : emulator(fpemu::Emulator::StartTcp()) {
        auto client = std::make_unique<platform::TcpClient>();
        client->SetReadTimeout(200);  // a silent attempt ends quickly
        device = std::make_unique<TTCPDevice>(std::move(client));
        device->SetHost(emulator->Host());
        device->SetPort(std::to_string(emulator->Port()));
    }

    bool Status() {
        data = {'W'};
        return device->SendCommand(0x4A, data, status);
    }

    std::unique_ptr<fpemu::Emulator> emulator;
    std::unique_ptr<TTCPDevice> device;
    TDataBuffer data;
    TDataBuffer status;
};

TEST_F(TCPDeviceEmulator, GoodExchange) {
    ASSERT_TRUE(device->Connect());
    ASSERT_TRUE(Status()) << device->FLastErrorMsg;
    EXPECT_TRUE(data.empty());
    EXPECT_EQ(status, TDataBuffer(6, 0x80));
    const auto frames = emulator->Frames();
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_TRUE(frames[0].valid);
    EXPECT_EQ(frames[0].seq, 0x20);
    EXPECT_EQ(frames[0].payload, fpemu::Bytes{'W'});
}

TEST_F(TCPDeviceEmulator, RetriesAfterNakAndAfterSilence) {
    emulator->Script("nak");
    ASSERT_TRUE(Status()) << device->FLastErrorMsg;
    EXPECT_EQ(emulator->Frames().size(), 2u);
    EXPECT_EQ(emulator->Connections(), 1);

    emulator->Script("silence");
    ASSERT_TRUE(Status()) << device->FLastErrorMsg;
    EXPECT_EQ(device->FLastErrorCode, 0);
    EXPECT_EQ(emulator->Connections(), 2) << "a silent attempt is followed by a reconnect";
    const auto frames = emulator->Frames();
    ASSERT_EQ(frames.size(), 4u);
    EXPECT_EQ(frames[2].seq, frames[3].seq) << "the retry resends the same frame";
}

// The rest of a damaged answer must not be read as the next one's: each command after it goes
// out once.
TEST_F(TCPDeviceEmulator, DamagedAnswerLeavesTheLinkInStep) {
    emulator->Script("stray-03");
    for (int i = 0; i < 6; ++i) {
        SCOPED_TRACE(i);
        data.clear();
        ASSERT_TRUE(device->SendCommand(0x3E, data, status)) << device->FLastErrorMsg;
        EXPECT_EQ(data.size(), 17u) << "dd-mm-yy hh:nn:ss";
    }
    std::vector<uint8_t> seqs;
    for (const auto& frame : emulator->Frames()) {
        seqs.push_back(frame.seq);
    }
    EXPECT_EQ(seqs, (std::vector<uint8_t>{0x20, 0x20, 0x21, 0x22, 0x23, 0x24, 0x25}))
        << "only the damaged answer's command is sent again";
    EXPECT_EQ(emulator->Connections(), 1);
}

TEST_F(TCPDeviceEmulator, PeerThatClosesEndsTheCall) {
    emulator->Script("close");
    EXPECT_FALSE(Status());
    EXPECT_EQ(device->FLastErrorCode, 103);
    EXPECT_EQ(device->FLastErrorMsg, "EConnClosed/Connection Closed Gracefully.");
    EXPECT_EQ(emulator->Frames().size(), 1u);

    EXPECT_TRUE(Status()) << "the next command connects again: " << device->FLastErrorMsg;
}

// Clearing an open receipt on a printer that keeps its own receipt state.
TEST_F(TCPDeviceEmulator, CancelOpenReceiptClearsWhatIsOpen) {
    using TSent = std::vector<std::pair<uint8_t, std::string>>;
    struct TRow {
        const char* Name;
        bool Invoice;
        double Paid;         // paid in cash before the cancel, 0 for nothing
        const char* Script;  // fault steps for the cancel's own requests
        bool Result;
        TSent Sent;
    };
    // The cancel, then, for a receipt being paid, the refused close and the settlement.
    const TSent Cancel = {{0x4A, "W"}, {0x3C, ""}, {0x4A, "W"}};
    TSent Settle = Cancel;
    Settle.insert(Settle.end(), {{0x38, ""}, {0x4C, "T"}, {0x67, ""}, {0x35, "\tP+5.00"}});
    TSent Paid = Settle;
    Paid.emplace_back(0x38, "");
    TSent Invoice = Settle;
    Invoice.insert(Invoice.end(), {{0x39, "111111110\t\t\t\t"}, {0x38, ""}});
    const TRow Rows[] = {
        {"voidable", false, 0, "", true, Cancel},
        {"unpaid rest paid with P", false, 10, "", true, Paid},
        {"unpaid invoice", true, 10, "", true, Invoice},
        {"status read fails after the cancel", false, 0, "normal*2,close", false, Cancel},
    };
    for (const TRow& Row : Rows) {
        SCOPED_TRACE(Row.Name);
        emulator->WithPrinter([](fpemu::Printer& P) { P.State().receipt = {}; });
        int32_t All = 0;
        int32_t Fisc = 0;
        char Code = 0;
        double Rest = 0;
        ASSERT_TRUE(device->OpenFiscalReceipt(1, "", 1, Row.Invoice, All, Fisc))
            << device->FLastErrorMsg;
        ASSERT_TRUE(device->SellItem("Bread", "", 'A', 15, 1, 0)) << device->FLastErrorMsg;
        if (Row.Paid != 0) {
            ASSERT_TRUE(device->Payment("", "", 'C', Row.Paid, Code, Rest))
                << device->FLastErrorMsg;
        }
        emulator->ClearFrames();
        if (*Row.Script != 0) {
            emulator->Script(Row.Script);
        }

        EXPECT_EQ(device->CancelOpenReceipt(), Row.Result) << device->FLastErrorMsg;
        EXPECT_EQ(device->FLastErrorCode, Row.Result ? 0 : 103);
        TSent Sent;
        for (const auto& Frame : emulator->Frames()) {
            Sent.emplace_back(Frame.cmd, std::string(Frame.payload.begin(), Frame.payload.end()));
        }
        EXPECT_EQ(Sent, Row.Sent);
        if (Row.Result) {
            emulator->WithPrinter([](fpemu::Printer& P) {
                EXPECT_EQ(P.State().receipt.kind, fpemu::Receipt::Kind::None);
            });
        }
    }
}

}  // namespace
