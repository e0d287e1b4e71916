#include "Kalvora_TLB.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

namespace {

using namespace platform;

const MemberDesc& AtSlot(const InterfaceDesc& iface, int slot) {
    for (const MemberDesc& member : iface.members) {
        if (member.slot == slot) {
            return member;
        }
    }
    throw std::out_of_range("no slot " + std::to_string(slot));
}

TEST(KalvoraTypeLib, IdentifiesTheLibraryAndItsFiveClasses) {
    EXPECT_EQ(GUIDToString(KalvoraTypeLib.libid), "{567DEE2D-6A8C-4788-9821-0F18DC5D4F29}");
    EXPECT_EQ(std::make_tuple(KalvoraTypeLib.majorVersion, KalvoraTypeLib.minorVersion,
                              KalvoraTypeLib.lcid),
              std::make_tuple(2, 6, 0x409u));
    EXPECT_STREQ(KalvoraTypeLib.helpString, "Kalvora Library");
    ASSERT_EQ(KalvoraTypeLib.coclasses.size(), 5u);
    const std::vector<std::tuple<std::string, std::string, std::string>> expected = {
        {"TavrinoFprnRO", "{840C3396-FFCF-4028-A435-8B1276E89995}",
         "{B9127C84-9720-4A66-9B63-90075FB3F0B2}"},
        {"ConfPLUData", "{15D81F37-1734-4DCA-BF67-67E1C605CB0B}",
         "{2D682F88-8F88-497A-8817-D91B7E9E3ED1}"},
        {"RecieptData", "{F22B7491-BC91-4DA9-B2CD-E7B157F34C1A}",
         "{734B45B0-5E46-457E-BA0C-D233D96D4E1F}"},
        {"DepatmentData", "{4C653718-0DAD-47ED-98A2-A311ACF77D49}",
         "{C9A71145-DBD1-4484-BF5E-199309FD3ACF}"},
        {"XReportData", "{FA75D953-A6D7-4A7A-961B-C003D9B4BDCF}",
         "{9004A0B3-9381-4676-9450-7F13DA65C424}"},
    };
    for (size_t i = 0; i < expected.size(); ++i) {
        const CoClassDesc& coclass = KalvoraTypeLib.coclasses[i];
        const auto& [name, clsid, iid] = expected[i];
        EXPECT_EQ(coclass.name, name);
        EXPECT_EQ(GUIDToString(coclass.clsid), clsid);
        EXPECT_EQ(coclass.helpString, name + " Object");
        EXPECT_EQ(GUIDToString(coclass.defaultInterface->iid), iid);
        EXPECT_EQ(coclass.defaultInterface->name, "I" + name);
        EXPECT_EQ(coclass.defaultInterface->helpString,
                  "Dispatch interface for " + name + " Object");
    }
}

// Every interface: consecutive slots from 7; one DISPID per member except a property's get
// and put, which sit in neighbouring slots with the same name and type.
void ExpectWellFormed(const InterfaceDesc& iface, size_t slots, DISPID first, DISPID last) {
    SCOPED_TRACE(iface.name);
    ASSERT_EQ(iface.members.size(), slots);
    std::map<DISPID, std::vector<const MemberDesc*>> byDispid;
    for (size_t i = 0; i < slots; ++i) {
        const MemberDesc& member = iface.members[i];
        EXPECT_EQ(member.slot, kFirstMemberSlot + static_cast<int>(i));
        byDispid[member.dispid].push_back(&member);
    }
    EXPECT_EQ(byDispid.begin()->first, first);
    EXPECT_EQ(byDispid.rbegin()->first, last);
    EXPECT_EQ(byDispid.size(), static_cast<size_t>(last - first + 1));
    for (const auto& [dispid, members] : byDispid) {
        SCOPED_TRACE(dispid);
        if (members.size() == 1) {
            EXPECT_NE(members[0]->kind, MemberKind::PropertyPut);
            continue;
        }
        ASSERT_EQ(members.size(), 2u);
        const MemberDesc& get = *members[0];
        const MemberDesc& put = *members[1];
        EXPECT_EQ(get.kind, MemberKind::PropertyGet);
        EXPECT_EQ(put.kind, MemberKind::PropertyPut);
        EXPECT_EQ(put.slot, get.slot + 1);
        EXPECT_STREQ(get.name, put.name);
        ASSERT_EQ(put.params.size(), 1u);
        EXPECT_EQ(put.params[0].type, get.result.type);
        EXPECT_STREQ(put.params[0].name, "");
        EXPECT_EQ(put.result.type, VT_EMPTY);
    }
}

TEST(KalvoraTypeLib, DriverInterfaceHas49SlotsWithDispids201To247) {
    ExpectWellFormed(ITavrinoFprnRODesc, 49, 201, 247);
    EXPECT_EQ(AtSlot(ITavrinoFprnRODesc, 55).slot, 55);
    // Where slot order and DISPID order part.
    const std::vector<std::tuple<int, DISPID, std::string>> rows = {
        {7, 201, "InitRS232"},      {15, 210, "RunZReport"},
        {16, 211, "RunXReport"},    {17, 209, "RunFMBlockReport"},
        {19, 214, "AddBarcode"},    {20, 213, "CopyLastReciept"},
        {28, 226, "GetFPStatus"},   {32, 231, "FPDateTime"},
        {33, 231, "FPDateTime"},    {37, 235, "LastErrorCode"},
        {40, 217, "GetDepartData"}, {41, 221, "InitTCP"},
        {53, 246, "Close"},         {55, 247, "FPDateAsString"},
    };
    for (const auto& [slot, dispid, name] : rows) {
        const MemberDesc& member = AtSlot(ITavrinoFprnRODesc, slot);
        EXPECT_EQ(member.dispid, dispid) << name;
        EXPECT_EQ(member.name, name);
    }
    const MemberDesc& status = AtSlot(ITavrinoFprnRODesc, 28);
    ASSERT_EQ(status.params.size(), 1u);
    EXPECT_EQ(status.params[0].type, VT_BYREF | VT_I4);
    EXPECT_STREQ(AtSlot(ITavrinoFprnRODesc, 18).result.name, "Ress");
    EXPECT_STREQ(AtSlot(ITavrinoFprnRODesc, 37).result.name, "Res");
    EXPECT_EQ(AtSlot(ITavrinoFprnRODesc, 8).params.size(), 11u);
    EXPECT_EQ(AtSlot(ITavrinoFprnRODesc, 24).result.iface, &IConfPLUDataDesc);
    EXPECT_EQ(AtSlot(ITavrinoFprnRODesc, 29).result.iface, &IRecieptDataDesc);
    EXPECT_EQ(AtSlot(ITavrinoFprnRODesc, 30).result.iface, &IXReportDataDesc);
    EXPECT_EQ(AtSlot(ITavrinoFprnRODesc, 40).result.iface, &IDepatmentDataDesc);
    // Every action member ends with its I4 result Res.
    for (const MemberDesc& member : ITavrinoFprnRODesc.members) {
        if (member.kind == MemberKind::Method && member.result.type == VT_I4) {
            EXPECT_TRUE(std::string(member.result.name).starts_with("Res")) << member.name;
        }
    }
}

TEST(KalvoraTypeLib, DataInterfacesArePropertyPairs) {
    ExpectWellFormed(IConfPLUDataDesc, 20, 201, 210);
    ExpectWellFormed(IRecieptDataDesc, 10, 201, 205);
    ExpectWellFormed(IDepatmentDataDesc, 16, 201, 208);
    ExpectWellFormed(IXReportDataDesc, 40, 201, 220);
    EXPECT_STREQ(AtSlot(IDepatmentDataDesc, 13).name, "TaxGroup");
    EXPECT_EQ(AtSlot(IDepatmentDataDesc, 13).dispid, 207);
    EXPECT_EQ(AtSlot(IDepatmentDataDesc, 19).dispid, 204);
    EXPECT_STREQ(AtSlot(IXReportDataDesc, 15).name, "TotPay3");
    EXPECT_EQ(AtSlot(IXReportDataDesc, 31).dispid, 213);
    EXPECT_STREQ(AtSlot(IXReportDataDesc, 45).name, "TotTAXG");
    EXPECT_EQ(AtSlot(IXReportDataDesc, 45).dispid, 220);
}

}  // namespace
