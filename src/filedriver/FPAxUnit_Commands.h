#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "ConstUnit.h"

// The command objects of one receipt file, in file order. Each keeps the line it was read from,
// which the answer file echoes.
class TCmdObject {
public:
    virtual ~TCmdObject();
    std::string RawLine;
};

// A sale line ('%').
class TPluObj : public TCmdObject {
public:
    std::string PluNo;  // empty unless an integer above 0
    std::string PluName;
    double Price = 0;
    double Quantity = 0;
    int32_t VatGroup = 0;
    double PercDisc = 0;  // from a '#P' line that follows
    int32_t DepartNo = -1;
    int32_t AlteID = 0;
    std::string AlteName;
    double AltePrice = 0;
    std::string UnitName;
};

// '#P' (1, percent of the last sale), '#S' (2, percent of the subtotal), '#V' (3, an amount).
class TDiscountObject : public TCmdObject {
public:
    uint8_t DiscType = 0;
    double DiscValue = 0;  // signed
};

// '#E'
class TPaymentObject : public TCmdObject {
public:
    int32_t PayType = 1;
    std::string PayName;
    double PayCourse = 1.0;
    double Amount = 0;  // 0 pays what is still due
};

// ':'
class TLineObject : public TCmdObject {
public:
    std::string LineText;
    std::string LineParam;
};

// '#R'; a negative amount takes cash out.
class TInOutAmount : public TCmdObject {
public:
    double Amount = 0;
};

// '#C', '$FC'
class TCopyBon : public TCmdObject {};

// '&S'
class TStatusObject : public TCmdObject {};

// '#I', '#N', '#M', '$FI', '$FN'
class TReportObject : public TCmdObject {
public:
    uint8_t ReportType = 0;  // 0 X, 1 Z, 2 fiscal memory by date, 3 departments
    int32_t Detailed = 0;
    TDateTime StartDate = 0;
    TDateTime EndDate = 0;
};

// '@'
class TOperObject : public TCmdObject {
public:
    int32_t OperNo = 1;
    std::string OperName;
};

// '#F' and the '#L?' lines; one per file.
class TInvoiceParam : public TCmdObject {
public:
    std::string RawText;  // the invoice lines joined by CR
    std::string LT;
    std::string LB;  // the customer's tax identifier
    int64_t InvoiceNo = 0;
    std::string LF;  // customer name
    std::string LW;  // town
    std::string LA;  // address
    std::string LM;  // receiver
    std::string LC;
};

using TCommandList = std::vector<std::unique_ptr<TCmdObject>>;

// The invoice data of a list, or nullptr.
TInvoiceParam* FindInvoiceParam(const TCommandList& List);

// The last object of type T in List, or nullptr.
template <class T>
T* LastOf(const TCommandList& List) {
    for (auto it = List.rbegin(); it != List.rend(); ++it) {
        if (auto* cmd = dynamic_cast<T*>(it->get())) {
            return cmd;
        }
    }
    return nullptr;
}
