#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// The files a receipt leaves in the receipt folder while it runs: the work file "name.$$$" and,
// while a receipt of it may be open on the printer, its record "name.$$$.rec.", which holds what
// the printer looked like before the receipt. A name that ends in a dot never has a receipt
// file's extension, so the folder scan never takes a record. Where the work file's name leaves
// no room for the record's suffix, the record takes a shortened name that ends in a digest of the
// whole one.

std::string WorkFileName(const std::string& Path);
std::string RecordFileName(const std::string& Path);

// The day's fiscal sums in hundredths: the total, then the payment totals 1 to 11. A cancelled
// receipt or one of text alone never moves them; a closed fiscal receipt does unless its total
// is 0; a daily report with reset brings them back to 0.
using TFiscalSums = std::vector<int64_t>;

struct TReceiptRecord {
    // The printer's last receipt number before the receipt opened.
    int32_t LastRecieptNo = 0;
    // False while a receipt of text alone is open and none of the file's text was sent: closing
    // it then prints nothing of the file.
    bool TextSent = true;
    // The printer the receipt was begun on; none in a record of an earlier version.
    std::optional<std::string> Serial;
    std::string FiscalNo;
    // Before a fiscal receipt opened; none for a receipt of text alone.
    std::optional<TFiscalSums> FiscalSums;
    // The answer given once the receipt was settled, while the folder refuses it: after a
    // restart it is written as it stands, since receipts printed meanwhile move the printer's
    // numbers and sums.
    std::string AnswerExt;
    std::vector<std::string> AnswerLines;
};

// Writes the record of the receipt file Path durably. EAbort when it cannot be written; the
// result is SaveFileDurably's.
std::string WriteReceiptRecord(const std::string& Path, const TReceiptRecord& Record);
// What the record of Path holds; none when there is no readable record.
std::optional<TReceiptRecord> ReadReceiptRecord(const std::string& Path);

// The work file that the record at RecordPath belongs to.
std::string WorkFileOfRecord(const std::string& RecordPath);

// The receipt folder of the settings, with its trailing "/".
std::string ReceiptFolder();

// The work files of Folder (with its trailing "/"), oldest first.
std::vector<std::string> WorkFilesIn(const std::string& Folder);

// The answer ".rep" or ".err" of the receipt file Path is there.
bool HasRepFile(const std::string& Path);
bool HasErrFile(const std::string& Path);

// Deletes the work files of Folder last written more than Days days ago that were answered with
// an error file, and the records left beside answered or missing work files; a work file still
// to be answered stays.
void DeleteOldWorkFiles(const std::string& Folder, int Days);
