#include <gtest/gtest.h>

#include <vector>

#include "TestCounter.h"
#include "TestVariants.h"

namespace {

// Calls a member by name the way a late-bound client does; args are in declared order.
HRESULT Call(IDispatch* object, const char16_t* name, WORD flags, std::vector<VARIANT> args,
             VARIANT* result = nullptr, EXCEPINFO* excep = nullptr, UINT* argErr = nullptr) {
    LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
    DISPID dispid = 0;
    HRESULT hr = object->GetIDsOfNames(IID_NULL, names, 1, 0x409, &dispid);
    if (FAILED(hr)) {
        return hr;
    }
    std::vector<VARIANT> reversed(args.rbegin(), args.rend());
    DISPID putId = DISPID_PROPERTYPUT;
    DISPPARAMS params{reversed.data(), flags == DISPATCH_PROPERTYPUT ? &putId : nullptr,
                      static_cast<UINT>(reversed.size()), flags == DISPATCH_PROPERTYPUT ? 1u : 0u};
    hr = object->Invoke(dispid, IID_NULL, 0x409, flags, &params, result, excep, argErr);
    for (VARIANT& arg : args) {
        VariantClear(&arg);
    }
    return hr;
}

class Dispatch : public ::testing::Test {
protected:
    void SetUp() override {
        object_ = static_cast<TCounter*>(CreateAutoObject<TCounter>());
        VariantInit(&result_);
    }
    void TearDown() override {
        VariantClear(&result_);
        object_->Release();
        EXPECT_EQ(ModuleLockCount(), 0u);  // every object made during the test is gone
    }

    TCounter* object_ = nullptr;
    VARIANT result_;
};

TEST_F(Dispatch, NamesMatchWithoutRegardToCase) {
    for (const char16_t* name : {u"Add", u"add", u"ADD", u"aDd"}) {
        LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
        DISPID id = 0;
        EXPECT_EQ(object_->GetIDsOfNames(IID_NULL, names, 1, 0, &id), S_OK);
        EXPECT_EQ(id, 1);
    }
    LPOLESTR unknown[] = {const_cast<LPOLESTR>(u"Ad")};
    DISPID id = 0;
    EXPECT_EQ(object_->GetIDsOfNames(IID_NULL, unknown, 1, 0, &id), DISP_E_UNKNOWNNAME);
    EXPECT_EQ(id, DISPID_UNKNOWN);
    LPOLESTR withParam[] = {const_cast<LPOLESTR>(u"when"), const_cast<LPOLESTR>(u"Value")};
    DISPID ids[2] = {};
    EXPECT_EQ(object_->GetIDsOfNames(IID_NULL, withParam, 2, 0, ids), DISP_E_UNKNOWNNAME);
    EXPECT_EQ(ids[0], 6);
    EXPECT_EQ(ids[1], DISPID_UNKNOWN);
    EXPECT_EQ(object_->GetIDsOfNames(IID_IDispatch, unknown, 1, 0, &id), DISP_E_UNKNOWNINTERFACE);
}

TEST_F(Dispatch, ArgumentsAreCoercedAndTheSameSlotRunsEarlyAndLateBound) {
    ASSERT_EQ(Call(object_, u"Add", DISPATCH_METHOD, {Str(u"3"), R8(2.0), Str(u"ab")}, &result_),
              S_OK);
    EXPECT_EQ(result_.vt, VT_I4);
    EXPECT_EQ(result_.lVal, 8);
    ASSERT_EQ(Call(object_, u"add", DISPATCH_METHOD | DISPATCH_PROPERTYGET, {R8(3.0), I4(1), I4(0)},
                   &result_),
              S_OK);
    EXPECT_EQ(result_.lVal, 12);  // the number 0 became the text "0"

    LONG res = 0;
    EXPECT_EQ(object_->Add(1, 1.0, nullptr, &res), S_OK);
    EXPECT_EQ(res, 13);
    // Through the raw table: slot 7 must be Add for late-bound and early-bound calls to agree.
    using AddSlot = HRESULT (*)(ICounter*, LONG, double, BSTR, LONG*);
    auto table = *reinterpret_cast<void***>(static_cast<ICounter*>(object_));
    EXPECT_EQ(reinterpret_cast<AddSlot>(table[7])(object_, 5, 1.0, nullptr, &res), S_OK);
    EXPECT_EQ(res, 18);
}

TEST_F(Dispatch, WrongCallsAreRefusedWithTheirCodes) {
    UINT argErr = 99;
    EXPECT_EQ(Call(object_, u"Add", DISPATCH_METHOD, {I4(1), Str(u"x"), Str(u"")}, &result_,
                   nullptr, &argErr),
              DISP_E_TYPEMISMATCH);
    EXPECT_EQ(argErr, 1u);  // rgvarg index of the second argument
    EXPECT_EQ(Call(object_, u"Add", DISPATCH_METHOD, {Str(u"1e12"), R8(1), Str(u"")}, &result_,
                   nullptr, &argErr),
              DISP_E_OVERFLOW);
    EXPECT_EQ(argErr, 2u);
    EXPECT_EQ(Call(object_, u"Add", DISPATCH_METHOD, {I4(1), R8(1)}, &result_),
              DISP_E_BADPARAMCOUNT);
    EXPECT_EQ(Call(object_, u"Add", DISPATCH_PROPERTYGET, {I4(1), R8(1), Str(u"")}, &result_),
              DISP_E_MEMBERNOTFOUND);
    EXPECT_EQ(Call(object_, u"Add", DISPATCH_PROPERTYPUT, {I4(1)}, &result_),
              DISP_E_MEMBERNOTFOUND);
    EXPECT_EQ(object_->total, 0);

    DISPPARAMS none{nullptr, nullptr, 0, 0};
    EXPECT_EQ(object_->Invoke(77, IID_NULL, 0, DISPATCH_METHOD, &none, &result_, nullptr, nullptr),
              DISP_E_MEMBERNOTFOUND);
    VARIANT arg = I4(1);
    DISPID named = 0;
    DISPPARAMS withName{&arg, &named, 1, 1};
    EXPECT_EQ(
        object_->Invoke(5, IID_NULL, 0, DISPATCH_METHOD, &withName, &result_, nullptr, nullptr),
        DISP_E_NONAMEDARGS);
    EXPECT_EQ(result_.vt, VT_EMPTY);
}

TEST_F(Dispatch, PropertiesShareOneDispidForGetAndPut) {
    ASSERT_EQ(Call(object_, u"Name", DISPATCH_PROPERTYPUT, {Str(u"Каса")}), S_OK);
    EXPECT_EQ(object_->name, "\xCA\xE0\xF1\xE0");
    ASSERT_EQ(Call(object_, u"name", DISPATCH_PROPERTYGET, {}, &result_), S_OK);
    EXPECT_EQ(result_.vt, VT_BSTR);
    EXPECT_EQ(BSTRView(result_.bstrVal), u"Каса");
    EXPECT_EQ(Call(object_, u"Name", DISPATCH_PROPERTYGET, {}), S_OK);  // result not wanted

    ASSERT_EQ(Call(object_, u"When", DISPATCH_PROPERTYPUT, {Str(u"15.03.2023 18:00")}), S_OK);
    EXPECT_EQ(object_->when, 45000.75);
    ASSERT_EQ(Call(object_, u"When", DISPATCH_PROPERTYGET, {}, &result_), S_OK);
    EXPECT_EQ(result_.vt, VT_DATE);
    EXPECT_EQ(result_.date, 45000.75);
}

TEST_F(Dispatch, InOutIntegerIsWrittenBackThroughTheReference) {
    LONG status = 21;
    VARIANT ref{};
    ref.vt = VT_BYREF | VT_I4;
    ref.plVal = &status;
    ASSERT_EQ(Call(object_, u"Twice", DISPATCH_METHOD, {ref}, &result_), S_OK);
    EXPECT_EQ(status, 42);
    // Passed by value it is still accepted; the written value is not seen.
    EXPECT_EQ(Call(object_, u"Twice", DISPATCH_METHOD, {Str(u"5")}, &result_), S_OK);
}

TEST_F(Dispatch, AFailingSlotReportsItsTextThroughExcepInfo) {
    EXCEPINFO excep{};
    ASSERT_EQ(Call(object_, u"Fail", DISPATCH_METHOD, {Str(u"Ошибка 7")}, &result_, &excep),
              DISP_E_EXCEPTION);
    EXPECT_EQ(excep.scode, E_FAIL);
    EXPECT_EQ(BSTRView(excep.bstrDescription), u"Ошибка 7");
    EXPECT_EQ(BSTRView(excep.bstrSource), u"ICounter");
    EXPECT_EQ(result_.vt, VT_EMPTY);
    ClearExcepInfo(&excep);
    EXPECT_EQ(Call(object_, u"Fail", DISPATCH_METHOD, {Str(u"x")}, &result_), E_FAIL);
    // Early-bound callers take the text themselves.
    EXPECT_EQ(TakeErrorDescription(), "x");
    EXPECT_EQ(TakeErrorDescription(), "");
}

TEST_F(Dispatch, InterfaceResultsAreDispatchPointersAndNilIsNull) {
    ASSERT_EQ(Call(object_, u"Child", DISPATCH_METHOD, {I4(0)}, &result_), S_OK);
    EXPECT_EQ(result_.vt, VT_DISPATCH);
    EXPECT_EQ(result_.pdispVal, nullptr);

    ASSERT_EQ(Call(object_, u"Child", DISPATCH_METHOD, {I4(9)}, &result_), S_OK);
    ASSERT_EQ(result_.vt, VT_DISPATCH);
    ComPtr<ICounter> child;
    ASSERT_EQ(result_.pdispVal->QueryInterface(kICounterDesc.iid, child.ReceiveVoid()), S_OK);
    EXPECT_EQ(static_cast<TCounter*>(child.Get())->total, 9);
    void* none = nullptr;
    EXPECT_EQ(child->QueryInterface(IID_IClassFactory, &none), E_NOINTERFACE);
    EXPECT_EQ(none, nullptr);
    // A result nobody asked for is released, not leaked.
    EXPECT_EQ(Call(object_, u"Child", DISPATCH_METHOD, {I4(3)}), S_OK);
}

}  // namespace
