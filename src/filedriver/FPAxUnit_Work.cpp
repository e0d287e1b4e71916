#include "FPAxUnit_Work.h"

#include <limits.h>
#include <sys/stat.h>

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <map>
#include <set>
#include <tuple>

#include "AbortError.h"
#include "ConstUnit.h"
#include "ConstUnit_Program.h"
#include "FPAxUnit_Files.h"
#include "FPAxUnit_Parser.h"
#include "FolderScan.h"
#include "SettingsUnit.h"

namespace {

const char* const kWorkExt = ".$$$";
const char* const kRecordSuffix = ".rec.";
const char* const kRecordKey = "LastRecieptNo";
const char* const kKindKey = "Kind";
const char* const kTextSentKey = "TextSent";
const char* const kSerialKey = "Serial";
const char* const kFiscalNoKey = "FiscalNo";
const char* const kSumsKey = "FiscalSums";
const char* const kAmountKey = "Amount";
const char* const kWorkKey = "WorkFile";
const char* const kAnswerKey = "Answer";
const char* const kAnsweredKey = "Answered";
const char* const kAnswerLineKey = "AnswerLine";
// The last line: the digest of every byte before it, so that a record torn, cut or written by
// hand is never taken for one of the program's.
const char* const kCheckKey = "Check";
const char* const kKindNames[] = {"none", "fiscal", "text", "zreport"};
// The longest file name the system takes.
constexpr size_t kNameMax = NAME_MAX;
// Twelve sums of the day: the total and the payment totals 1 to 11.
constexpr size_t kSumCount = 12;
// No printer's day holds more, in hundredths; a larger value is damage.
constexpr int64_t kSumMax = 1'000'000'000'000'000LL;

std::optional<int64_t> ParseInt64(const std::string& Text) {
    int64_t value = 0;
    const char* end = Text.data() + Text.size();
    const auto [stop, error] = std::from_chars(Text.data(), end, value);
    if (Text.empty() || error != std::errc() || stop != end) {
        return std::nullopt;
    }
    return value;
}

std::optional<int64_t> ParseInRange(const std::string& Text, int64_t Max) {
    const std::optional<int64_t> value = ParseInt64(Text);
    return value && *value >= 0 && *value <= Max ? value : std::nullopt;
}

std::optional<TFiscalSums> ParseSums(const std::string& Text) {
    TFiscalSums sums;
    size_t start = 0;
    for (;;) {
        const size_t comma = Text.find(',', start);
        const std::optional<int64_t> field =
            ParseInRange(Text.substr(start, comma - start), kSumMax);
        if (!field) {
            return std::nullopt;
        }
        sums.push_back(*field);
        if (comma == std::string::npos) {
            return sums.size() == kSumCount ? std::optional(sums) : std::nullopt;
        }
        start = comma + 1;
    }
}

// 64-bit FNV-1a, in 16 hex digits.
std::string Digest(const std::string& Text) {
    uint64_t hash = 14695981039346656037ULL;
    for (const char c : Text) {
        hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ULL;
    }
    char digits[17];
    std::snprintf(digits, sizeof digits, "%016llx", static_cast<unsigned long long>(hash));
    return digits;
}

// A value on one line: no byte of it can end the line or start another key.
std::string Escape(const std::string& Value) {
    std::string text;
    for (const char c : Value) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F || c == '%') {
            char code[4];
            std::snprintf(code, sizeof code, "%%%02X", byte);
            text += code;
        } else {
            text += c;
        }
    }
    return text;
}

std::optional<std::string> Unescape(const std::string& Text) {
    std::string value;
    for (size_t i = 0; i < Text.size(); ++i) {
        if (Text[i] != '%') {
            value += Text[i];
            continue;
        }
        unsigned byte = 0;
        const char* digits = Text.data() + i + 1;
        if (i + 2 >= Text.size() ||
            std::from_chars(digits, digits + 2, byte, 16).ptr != digits + 2) {
            return std::nullopt;
        }
        value += static_cast<char>(byte);
        i += 2;
    }
    return value;
}

// The keys of a record and their values, unescaped; none when a line is not "Key=value", a key
// comes twice or the digest does not match.
std::optional<std::map<std::string, std::vector<std::string>>> ParseRecord(
    const std::string& Bytes) {
    const std::string checkLine = std::string(kCheckKey) + "=";
    const size_t check = Bytes.rfind(checkLine);
    if (check == std::string::npos || (check != 0 && Bytes[check - 1] != '\n') ||
        Bytes.substr(check) != checkLine + Digest(Bytes.substr(0, check)) + "\r\n") {
        return std::nullopt;
    }
    std::map<std::string, std::vector<std::string>> keys;
    for (const std::string& line : SplitTextLines(Bytes.substr(0, check))) {
        const size_t equals = line.find('=');
        const std::optional<std::string> value =
            equals == std::string::npos ? std::nullopt : Unescape(line.substr(equals + 1));
        if (!value) {
            return std::nullopt;
        }
        std::vector<std::string>& values = keys[line.substr(0, equals)];
        if (!values.empty() && line.compare(0, equals, kAnswerLineKey) != 0) {
            return std::nullopt;
        }
        values.push_back(*value);
    }
    return keys;
}

// Only a file answers: a folder in an answer's place keeps it from being written.
bool IsAnswer(const std::string& Path) {
    struct stat info {};
    return ::stat(Path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

bool EndsWith(const std::string& Name, const std::string& Suffix) {
    return Name.size() > Suffix.size() &&
           Name.compare(Name.size() - Suffix.size(), Suffix.size(), Suffix) == 0;
}

// What Record holds, when every key its kind needs is there and in range.
std::optional<TReceiptRecord> RecordOf(
    const std::map<std::string, std::vector<std::string>>& Keys) {
    const auto value = [&](const char* key) -> std::optional<std::string> {
        const auto found = Keys.find(key);
        return found == Keys.end() ? std::nullopt : std::optional(found->second.front());
    };
    for (const auto& [key, values] : Keys) {
        static const std::set<std::string> known = {
            kRecordKey, kKindKey, kTextSentKey, kSerialKey,   kFiscalNoKey,  kSumsKey,
            kAmountKey, kWorkKey, kAnswerKey,   kAnsweredKey, kAnswerLineKey};
        if (known.count(key) == 0) {
            return std::nullopt;
        }
    }
    TReceiptRecord record;
    const std::optional<std::string> kind = value(kKindKey);
    const auto* name = kind ? std::find(std::begin(kKindNames), std::end(kKindNames), *kind)
                            : std::end(kKindNames);
    if (name == std::end(kKindNames) || !value(kWorkKey)) {
        return std::nullopt;
    }
    record.Kind = static_cast<TRecordKind>(name - std::begin(kKindNames));
    const std::optional<std::string> answer = value(kAnswerKey);
    if (answer == ".rep" || answer == ".err") {
        record.AnswerExt = *answer;
        const auto lines = Keys.find(kAnswerLineKey);
        if (lines != Keys.end()) {
            record.AnswerLines = lines->second;
        }
        record.Answered = value(kAnsweredKey) == "1";
    }
    if (record.Kind == TRecordKind::None) {
        // Only an answer, given or waiting for the folder, is kept of such a file.
        return record.AnswerExt.empty() ? std::nullopt : std::optional(record);
    }
    const std::optional<int64_t> number = ParseInRange(value(kRecordKey).value_or(""), INT32_MAX);
    const std::optional<std::string> serial = value(kSerialKey);
    const std::optional<std::string> fiscalNo = value(kFiscalNoKey);
    if (!number || !serial || !fiscalNo) {
        return std::nullopt;
    }
    record.LastRecieptNo = static_cast<int32_t>(*number);
    record.Serial = *serial;
    record.FiscalNo = *fiscalNo;
    if (const std::optional<std::string> sent = value(kTextSentKey)) {
        if (*sent != "0" || record.Kind != TRecordKind::Text) {
            return std::nullopt;
        }
        record.TextSent = false;
    }
    if (const std::optional<std::string> sums = value(kSumsKey)) {
        record.FiscalSums = ParseSums(*sums);
        if (!record.FiscalSums || record.Kind == TRecordKind::Text) {
            return std::nullopt;
        }
    } else if (record.Kind != TRecordKind::Text) {
        return std::nullopt;
    }
    if (const std::optional<std::string> amount = value(kAmountKey)) {
        record.Amount = ParseInRange(*amount, kSumMax);
        if (!record.Amount || record.Kind != TRecordKind::Fiscal) {
            return std::nullopt;
        }
    }
    return record;
}

}  // namespace

std::string WorkFileName(const std::string& Path) {
    return ChangeFileExt(Path, kWorkExt);
}

std::string RecordFileName(const std::string& Path) {
    const std::string work = WorkFileName(Path);
    const size_t slash = work.rfind('/') + 1;  // 0 without a folder
    const std::string name = work.substr(slash) + kRecordSuffix;
    if (name.size() <= kNameMax) {
        return work + kRecordSuffix;
    }
    std::string tail = "~";
    tail += Digest(name);
    tail += kRecordSuffix;
    return work.substr(0, slash) + name.substr(0, kNameMax - tail.size()) + tail;
}

std::string WriteReceiptRecord(const std::string& Path, const TReceiptRecord& Record) {
    const std::string work = WorkFileName(Path);
    std::string text;
    const auto add = [&](const char* key, const std::string& value) {
        text += key;
        text += '=';
        text += Escape(value);
        text += "\r\n";
    };
    add(kKindKey, kKindNames[static_cast<int>(Record.Kind)]);
    add(kWorkKey, work.substr(work.rfind('/') + 1));
    if (Record.Kind != TRecordKind::None) {
        add(kRecordKey, std::to_string(Record.LastRecieptNo));
        add(kSerialKey, Record.Serial);
        add(kFiscalNoKey, Record.FiscalNo);
    }
    if (!Record.TextSent) {
        add(kTextSentKey, "0");
    }
    if (Record.FiscalSums) {
        std::string sums;
        for (const int64_t sum : *Record.FiscalSums) {
            if (!sums.empty()) {
                sums += ',';
            }
            sums += std::to_string(sum);
        }
        add(kSumsKey, sums);
    }
    if (Record.Amount) {
        add(kAmountKey, std::to_string(*Record.Amount));
    }
    if (!Record.AnswerExt.empty()) {
        add(kAnswerKey, Record.AnswerExt);
        if (Record.Answered) {
            add(kAnsweredKey, "1");
        }
        for (const std::string& line : Record.AnswerLines) {
            add(kAnswerLineKey, line);
        }
    }
    add(kCheckKey, Digest(text));
    return SaveFileDurably(text, RecordFileName(Path));
}

TRecordRead ReadReceiptRecord(const std::string& Path) {
    const std::string name = RecordFileName(Path);
    TRecordRead read;
    if (!PathExists(name)) {
        return read;
    }
    read.State = TRecordRead::TState::Damaged;
    std::optional<std::map<std::string, std::vector<std::string>>> keys;
    try {
        keys = ParseRecord(LoadFileBytes(name));
    } catch (const EAbort&) {
        keys.reset();
    }
    if (const std::optional<TReceiptRecord> record = keys ? RecordOf(*keys) : std::nullopt) {
        read.State = TRecordRead::TState::Whole;
        read.Record = *record;
    }
    return read;
}

std::string ReceiptFolder() {
    std::string folder = Settings().BonFolder;
    AppendFolderDelimiter(folder);
    return folder;
}

std::vector<std::string> WorkFilesIn(const std::string& Folder) {
    struct TEntry {
        int64_t MTimeNs;
        std::string Name;
    };
    std::vector<TEntry> entries;
    ScanFolder(Folder, [&](const std::string& name, const struct stat& info) {
        if (S_ISREG(info.st_mode) && EndsWith(name, kWorkExt)) {
            entries.push_back(
                {static_cast<int64_t>(info.st_mtim.tv_sec) * 1'000'000'000 + info.st_mtim.tv_nsec,
                 name});
        }
    });
    std::sort(entries.begin(), entries.end(), [](const TEntry& a, const TEntry& b) {
        return std::tie(a.MTimeNs, a.Name) < std::tie(b.MTimeNs, b.Name);
    });
    std::vector<std::string> names;
    for (const TEntry& entry : entries) {
        names.push_back(Folder + entry.Name);
    }
    return names;
}

bool HasRepFile(const std::string& Path) {
    return IsAnswer(ChangeFileExt(Path, ".rep"));
}

bool HasErrFile(const std::string& Path) {
    return IsAnswer(ChangeFileExt(Path, ".err"));
}

bool IsAnswered(const std::string& Path) {
    if (HasErrFile(Path)) {
        return true;
    }
    const TRecordRead read = ReadReceiptRecord(Path);
    return read.State == TRecordRead::TState::Whole && read.Record.Answered;
}

void DeleteOldWorkFiles(const std::string& Folder, int Days) {
    // Printed and answered: the run ended before it could drop them. Left until the ".rep" ages
    // away, the work file would be taken for one never answered.
    for (const std::string& work : WorkFilesIn(Folder)) {
        if (HasRepFile(work)) {
            ::unlink(RecordFileName(work).c_str());
            ::unlink(work.c_str());
        }
    }
    DeleteOldFiles(Folder, std::string("*") + kWorkExt, Days,
                   [&](const std::string& name) { return IsAnswered(Folder + name); });
    // A record stays as long as its work file: it tells that the file was answered, or how to
    // settle it.
    std::set<std::string> kept;
    for (const std::string& work : WorkFilesIn(Folder)) {
        kept.insert(RecordFileName(work));
    }
    DeleteOldFiles(Folder, std::string("*") + kRecordSuffix, Days,
                   [&](const std::string& name) { return kept.count(Folder + name) == 0; });
}
