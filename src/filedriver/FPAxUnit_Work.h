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

// What a receipt file was about to do when its record was written.
enum class TRecordKind {
    None,     // nothing that a record tells about: only its answer is kept
    Fiscal,   // a fiscal receipt
    Text,     // a receipt of text alone
    ZReport,  // a daily report with reset
};

struct TReceiptRecord {
    TRecordKind Kind = TRecordKind::None;
    // The printer's last receipt number before the receipt opened.
    int32_t LastRecieptNo = 0;
    // False while a receipt of text alone is open and none of the file's text was sent: closing
    // it then prints nothing of the file.
    bool TextSent = true;
    // The printer the receipt was begun on.
    std::string Serial;
    std::string FiscalNo;
    // Before a fiscal receipt or a daily report; none for a receipt of text alone.
    std::optional<TFiscalSums> FiscalSums;
    // The fiscal receipt's total in hundredths, written before its first payment was sent: a
    // receipt without it was never paid, so it was never closed.
    std::optional<int64_t> Amount;
    // The answer ".rep" or ".err" once the receipt was settled. While the folder refuses it, it
    // is written as it stands after a restart, since receipts printed meanwhile move the
    // printer's numbers and sums; once written (Answered), the work file is never answered again,
    // also when the shop takes the answer away.
    std::string AnswerExt;
    std::vector<std::string> AnswerLines;
    bool Answered = false;
};

// Writes the record of the receipt file Path durably. EAbort when it cannot be written; the
// result is SaveFileDurably's.
std::string WriteReceiptRecord(const std::string& Path, const TReceiptRecord& Record);

struct TRecordRead {
    enum class TState {
        Missing,  // there is none: no receipt was opened for the file
        Damaged,  // it cannot be read whole, lacks what its kind needs or holds values out of
                  // range (also a record of an earlier version): it tells nothing
        Whole,
    } State = TState::Missing;
    TReceiptRecord Record;
};
// What the record of Path holds.
TRecordRead ReadReceiptRecord(const std::string& Path);

// The receipt folder of the settings, with its trailing "/".
std::string ReceiptFolder();

// The work files of Folder (with its trailing "/"), oldest first.
std::vector<std::string> WorkFilesIn(const std::string& Folder);

// The answer ".rep" or ".err" of the receipt file Path is there.
bool HasRepFile(const std::string& Path);
bool HasErrFile(const std::string& Path);
// The file was answered ".err": its answer is there, or its record tells that it was written
// (the shop may take it away).
bool IsAnswered(const std::string& Path);

// Drops the work files of Folder answered ".rep", deletes those last written more than Days days
// ago that were answered ".err", and the old records whose work file is gone; a work file still to
// be answered stays, and so does its record.
void DeleteOldWorkFiles(const std::string& Folder, int Days);
