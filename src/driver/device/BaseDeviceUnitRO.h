#pragma once

#include "BaseDeviceUnit.h"

// The device of the printer's Romanian variant: both transports derive from it, and its command
// operations run on either of them.
class TBaseDeviceRO : public TBaseDevice {
public:
    // Command operations of the Romanian variant; Payment and PrintClientData hide the base ones
    // (the base's FPR_CancelAllRec keeps using its own).
    bool SellItem(const std::string& Text1, const std::string& Text2, char TaxLetter, double Price,
                  double Qty, double Percent);
    bool SellByDepartment(const std::string& Text1, const std::string& Text2, uint8_t DepartNo,
                          double Price, double Qty, double Percent);
    bool Payment(const std::string& Text1, const std::string& Text2, char PayMode, double Amount,
                 char& AnswerCode, double& AnswerAmount);
    bool PrintClientData(TClientData Client);
    bool GetDailyTaxTotals(TDailyPayTotals& Totals);
    bool RunReport(uint8_t ReportType, bool Clear);

    // The multi-function command 0x6B. RunFunc6B raises on a status flag or an empty answer; after
    // a failed exchange it returns with Answer empty and the exchange's error in the device.
    void RunFunc6B(char SubCmd, const std::string& Data, std::string& Answer);
    bool SetAlternativeTax(int32_t AlteID, const std::string& AlteName);
    bool GetFPR_ArticleInfo(TArticleInfo& Info);
    // A PLU the printer does not know comes back as success with Plu.PluNo -1.
    bool GetFPR_Plu(int32_t PluNo, TPluData& Plu);
    bool SetFPR_Plu(TPluData Plu);
};
