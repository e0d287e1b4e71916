#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

// Records that the command operations read from the printer or send to it.

// Sums per tax group, A to H.
using TTaxSums = std::array<double, 8>;

// Identity of the printer from the diagnostic command; each field holds at most 255 characters.
struct TDiagnosticInfo {
    std::string FPModel;
    std::string Info1;
    std::string Info2;
    std::string Info3;
    std::string Info4;
    std::string Info5;
    std::string FPSerial;
    std::string FPFiscalNo;
    std::string RawAnswer;
};

// The device parameters in the order of the 0x80 answer.
struct TPrnConst {
    // Printable characters per line, already reduced by the printer's two margin characters.
    static constexpr size_t CharsPerLineIndex = 8;
    std::array<std::string, 20> Items;
};

// Counters of one department.
struct TDepartmentSum {
    static constexpr char NoTaxLetter = static_cast<char>(0xC0);
    char Flag = 0;  // "P" when the department exists
    char TaxLetter = NoTaxLetter;
    int64_t LastCount = 0;
    double LastSum = 0;
    int64_t CountSales = 0;
    double TotalSum = 0;
    std::string Name;
    std::string Extra;
};

// Daily totals per payment type (the eleventh last) and two counters.
struct TDailyPayTotals {
    std::array<double, 11> PayTotals{};
    int32_t Number1 = 0;
    int32_t Number2 = 0;
};

// One department definition.
struct TDepartmentInfo {
    int32_t DepNo = 0;
    char TaxLetter = 0;
    std::string DepName;
    std::string Description;
};

// One PLU (article) of the printer's table.
struct TPluData {
    int32_t PluNo = 0;
    std::string PluName;
    char TaxLetter = 0;
    int32_t PluGroup = 0;
    double Price = 0;
    std::string UnitNm;
    std::string Barcode;
    int32_t AlteID = 0;  // alternative tax rate; -1 or 0 for none
    std::string AlteName;
    double AltePrc = 0;
};

// Limits of the PLU table.
struct TArticleInfo {
    int32_t MaxNameLen = 0;
    int32_t MaxPluNo = 0;
    int32_t ExtraValue = 0;
};
