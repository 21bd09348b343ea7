// SPDX-License-Identifier: MIT
#include "Importer.h"

#include "Fields.h"
#include "Number.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <iconv.h>

namespace varimel {

namespace {

using fields::Field;
using fields::IsDigit;
using fields::SplitFields;

// Reads digits at p (at least min, at most max) into value.
bool Digits(std::string_view s, std::size_t& p, int min, int max, int& value)
{
    int n = 0;
    value = 0;
    while (p < s.size() && IsDigit(s[p]) && n < max) {
        value = value * 10 + (s[p] - '0');
        ++p;
        ++n;
    }
    return n >= min && !(p < s.size() && IsDigit(s[p]));
}

bool IsLeapYear(long y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int DaysInMonth(long y, int m)
{
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && IsLeapYear(y) ? 29 : kDays[m - 1];
}

// The marks that may group thousands in a decimal-comma number: a blank, a
// no-break space (U+00A0), a narrow no-break space (U+202F) or '.'.
constexpr std::string_view kGroupMarks[] = {" ", "\xC2\xA0", "\xE2\x80\xAF", "."};

std::size_t GroupMarkAt(std::string_view s, std::size_t i)
{
    for (const std::string_view mark : kGroupMarks)
        if (s.substr(i, mark.size()) == mark)
            return mark.size();
    return 0;
}

// A decimal-comma number in the plain syntax ("1.234.567,8" gives
// "1234567.8"): thousands grouped in threes by one of the marks, the same
// mark throughout; false for any other blank or '.' in it.
bool Ungroup(std::string_view s, std::string& plain)
{
    std::size_t i = 0;
    while (i < s.size() && s[i] == ' ')
        ++i;
    std::size_t end = s.size();
    while (end > i && s[end - 1] == ' ')
        --end;
    s = s.substr(i, end - i);
    plain.clear();
    i = 0;
    if (i < s.size() && (s[i] == '+' || s[i] == '-'))
        plain += s[i++];
    const std::size_t digits = i;
    while (i < s.size() && IsDigit(s[i]))
        plain += s[i++];
    std::string_view mark;
    while (const std::size_t size = GroupMarkAt(s, i)) {
        const std::string_view here = s.substr(i, size);
        if (mark.empty() && (i == digits || i - digits > 3))
            return false; // ".234", "1234.567": the first group has one to three digits
        if (!mark.empty() && here != mark)
            return false;
        mark = here;
        if (i + size + 3 > s.size() || !IsDigit(s[i + size]) || !IsDigit(s[i + size + 1]) ||
            !IsDigit(s[i + size + 2]) || (i + size + 3 < s.size() && IsDigit(s[i + size + 3])))
            return false;
        plain.append(s.substr(i + size, 3));
        i += size + 3;
    }
    for (; i < s.size(); ++i) {
        if (s[i] == '.' || GroupMarkAt(s, i))
            return false;
        plain += s[i] == ',' ? '.' : s[i];
    }
    return true;
}

NumberRead ReadField(std::string_view text, bool decimalComma, double& value)
{
    if (!decimalComma)
        return ReadNumber(text, value);
    std::string plain;
    if (!Ungroup(text, plain))
        return NumberRead::NotNumber;
    return ReadNumber(plain, value);
}

bool IsValidUtf8(std::string_view s)
{
    for (std::size_t i = 0; i < s.size();) {
        const auto c = static_cast<unsigned char>(s[i]);
        if (c < 0x80) {
            ++i;
            continue;
        }
        const std::size_t len = c >= 0xC2 && c <= 0xDF   ? 2
                                : c >= 0xE0 && c <= 0xEF ? 3
                                : c >= 0xF0 && c <= 0xF4 ? 4
                                                         : 0;
        if (len == 0 || i + len > s.size())
            return false;
        for (std::size_t k = 1; k < len; ++k)
            if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80)
                return false;
        const auto c1 = static_cast<unsigned char>(s[i + 1]);
        if ((c == 0xE0 && c1 < 0xA0) || (c == 0xED && c1 >= 0xA0) || (c == 0xF0 && c1 < 0x90) ||
            (c == 0xF4 && c1 >= 0x90))
            return false;
        i += len;
    }
    return true;
}

// Shift_JIS (code page 932) to UTF-8; a byte that is not part of a
// character becomes U+FFFD.
std::string FromShiftJis(std::string_view s)
{
    std::string out;
    iconv_t cd = iconv_open("UTF-8", "CP932");
    if (cd == reinterpret_cast<iconv_t>(-1))
        cd = iconv_open("UTF-8", "SHIFT_JIS");
    if (cd == reinterpret_cast<iconv_t>(-1))
        return std::string(s);
    std::string input(s);
    char* in = input.data();
    std::size_t inLeft = input.size();
    while (inLeft > 0) {
        char buffer[256];
        char* o = buffer;
        std::size_t outLeft = sizeof buffer;
        const std::size_t r = iconv(cd, &in, &inLeft, &o, &outLeft);
        out.append(buffer, static_cast<std::size_t>(o - buffer));
        if (r == static_cast<std::size_t>(-1) && errno != E2BIG) {
            out += "\xEF\xBF\xBD";
            ++in;
            --inLeft;
            iconv(cd, nullptr, nullptr, nullptr, nullptr);
        }
    }
    iconv_close(cd);
    return out;
}

} // namespace

namespace {

// Each reason's code (for files and scripts) and words (for the window), in
// the order of SkipReason.
struct ReasonNames {
    std::string_view code;
    std::string_view words;
    std::string_view english;
};
constexpr std::array<ReasonNames, 8> kReasonNames = {{
    {"empty", "空行", "Empty line"},
    {"missing-column", "列が足りません", "Too few columns"},
    {"x-not-number", "Xが数値ではありません", "X is not a number"},
    {"y-not-number", "Yが数値ではありません", "Y is not a number"},
    {"x-not-date", "Xが日付ではありません", "X is not a date"},
    {"out-of-range", "数値が大きすぎます", "Number too large"},
    {"too-long", "行が長すぎます", "Line too long"},
    {"y-not-positive", "Yが正の数ではありません", "Y is not positive"},
}};
static_assert(static_cast<std::size_t>(SkipReason::YNotPositive) + 1 == kReasonNames.size());

ReasonNames NamesOf(SkipReason reason)
{
    const auto i = static_cast<std::size_t>(reason);
    return i < kReasonNames.size() ? kReasonNames[i] : ReasonNames{};
}

} // namespace

bool ImportOptions::ColumnsDistinct() const
{
    std::vector<int> columns = YColumns();
    if (XColumn > 0)
        columns.push_back(XColumn);
    std::sort(columns.begin(), columns.end());
    return std::adjacent_find(columns.begin(), columns.end()) == columns.end();
}

std::string_view SkipReasonCode(SkipReason reason) { return NamesOf(reason).code; }

std::string_view SkipReasonWords(SkipReason reason, Language language)
{
    return InLanguage(language, NamesOf(reason).words, NamesOf(reason).english);
}

void SkippedLines::Add(std::uint64_t line, SkipReason reason, std::string_view raw)
{
    raw = raw.substr(0, kSkippedTextBytes);
    entries_.push_back({line, text_.size(), raw.size(), static_cast<std::uint8_t>(reason)});
    text_.append(raw);
}

SkippedLine SkippedLines::operator[](std::size_t i) const
{
    const Entry& e = entries_[i];
    return {e.line, static_cast<SkipReason>(e.reason),
            std::string_view(text_).substr(static_cast<std::size_t>(e.offset), static_cast<std::size_t>(e.length))};
}

void SkippedLines::Append(const SkippedLines& other, std::uint64_t lineOffset)
{
    for (std::size_t i = 0; i < other.Count(); ++i) {
        const SkippedLine s = other[i];
        Add(s.Line + lineOffset, s.Reason, s.Raw);
    }
}

std::string DisplayText(std::string_view raw)
{
    std::string text = IsValidUtf8(raw) ? std::string(raw) : FromShiftJis(raw);
    constexpr std::size_t kCharacters = 200;
    std::size_t characters = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if ((static_cast<unsigned char>(text[i]) & 0xC0) == 0x80)
            continue;
        if (++characters > kCharacters) {
            text.resize(i);
            text += "…";
            break;
        }
    }
    return text;
}

std::vector<PreviewRow> PreviewLines(std::string_view bytes, const ImportOptions& options, std::size_t rows)
{
    if (bytes.substr(0, 3) == "\xEF\xBB\xBF")
        bytes.remove_prefix(3);
    std::vector<PreviewRow> out;
    std::vector<Field> fields;
    std::size_t p = 0;
    while (p < bytes.size() && out.size() < rows) {
        std::size_t end = p;
        while (end < bytes.size() && bytes[end] != '\n' && bytes[end] != '\r' && bytes[end] != '\x1A')
            ++end;
        std::string_view line = bytes.substr(p, end - p);
        if (const auto nul = line.find('\0'); nul != std::string_view::npos)
            line = line.substr(0, nul);
        while (!line.empty() && static_cast<unsigned char>(line.back()) <= 32)
            line.remove_suffix(1);
        PreviewRow row;
        row.Line = out.size() + 1;
        const int count =
            SplitFields(line, options.DecimalComma ? ';' : ',', options.XDate, 256, fields, options.DecimalComma);
        for (int i = 0; i < count; ++i)
            row.Fields.push_back(DisplayText(fields[static_cast<std::size_t>(i)].text));
        XYData record;
        row.Verdict = ParseImportLine(line, row.Line, options, record);
        out.push_back(std::move(row));
        if (end >= bytes.size() || bytes[end] == '\x1A')
            break;
        p = end + (bytes[end] == '\r' && end + 1 < bytes.size() && bytes[end + 1] == '\n' ? 2 : 1);
    }
    return out;
}

std::string DescribeOptions(const ImportOptions& o, Language language)
{
    if (language == Language::English) {
        std::string x = o.XColumn == 0 ? "line number" : "column " + std::to_string(o.XColumn);
        if (o.XDate)
            x += " (date)";
        return "X: " + x + " / Y: column " + std::to_string(o.YColumn) +
               " / Decimal mark: " + (o.DecimalComma ? "comma (fields separated by semicolons)" : "period");
    }
    std::string x = o.XColumn == 0 ? "行番号" : std::to_string(o.XColumn) + "列目";
    if (o.XDate)
        x += "（日付）";
    return "X: " + x + " / Y: " + std::to_string(o.YColumn) +
           "列目 / 小数点: " + (o.DecimalComma ? "カンマ（区切りはセミコロン）" : "ピリオド");
}

std::string SkippedLinesTsv(const SkippedLines& lines, bool words, Language language)
{
    std::string out =
        !words ? "line\treason\ttext\n" : std::string(InLanguage(language, "行\t理由\t内容\n", "Line\tReason\tText\n"));
    for (std::size_t i = 0; i < lines.Count(); ++i) {
        const SkippedLine s = lines[i];
        std::string text = DisplayText(s.Raw);
        std::replace_if(
            text.begin(), text.end(), [](char c) { return c == '\t' || c == '\r' || c == '\n'; }, ' ');
        out += std::to_string(s.Line);
        out += '\t';
        out += words ? SkipReasonWords(s.Reason, language) : SkipReasonCode(s.Reason);
        out += '\t';
        out += text;
        out += '\n';
    }
    return out;
}

void ParseImportColumns(std::string_view line, std::uint64_t lineNumber, const ImportOptions& options,
                        std::span<const int> yColumns, std::span<LineVerdict> out)
{
    if (line.empty()) {
        for (LineVerdict& v : out)
            v.Reason = SkipReason::Empty;
        return;
    }
    // Fields are split the same way however many are wanted: a column's
    // fields are there exactly when its own reading would find them.
    thread_local std::vector<Field> fields;
    int wanted = options.XColumn;
    for (const int y : yColumns)
        wanted = std::max(wanted, y);
    const char sep = options.DecimalComma ? ';' : ',';
    const int count = SplitFields(line, sep, options.XDate, wanted, fields, options.DecimalComma);
    double x = static_cast<double>(lineNumber);
    std::optional<SkipReason> xWhy;
    bool xRead = options.XColumn == 0;
    for (std::size_t k = 0; k < yColumns.size(); ++k) {
        LineVerdict& v = out[k];
        v.Reason.reset();
        if (count < std::max(options.XColumn, yColumns[k])) {
            v.Reason = SkipReason::MissingColumn;
            continue;
        }
        if (!xRead) {
            xRead = true;
            const std::string_view xText = fields[static_cast<std::size_t>(options.XColumn - 1)].text;
            if (options.XDate) {
                if (const auto date = ParseDate(xText))
                    x = *date;
                else
                    xWhy = SkipReason::XNotDate;
            } else if (const NumberRead r = ReadField(xText, options.DecimalComma, x); r != NumberRead::Ok) {
                xWhy = r == NumberRead::OutOfRange ? SkipReason::OutOfRange : SkipReason::XNotNumber;
            }
        }
        if (xWhy) {
            v.Reason = xWhy;
            continue;
        }
        double y = 0.0;
        if (const NumberRead r =
                ReadField(fields[static_cast<std::size_t>(yColumns[k] - 1)].text, options.DecimalComma, y);
            r != NumberRead::Ok)
            v.Reason = r == NumberRead::OutOfRange ? SkipReason::OutOfRange : SkipReason::YNotNumber;
        else if (options.PositiveY && !(y > 0.0))
            v.Reason = SkipReason::YNotPositive;
        else
            v.Record = XYData{x, y};
    }
}

std::optional<SkipReason> ParseImportLine(std::string_view line, std::uint64_t lineNumber, const ImportOptions& options,
                                          XYData& record)
{
    LineVerdict verdict;
    ParseImportColumns(line, lineNumber, options, std::span<const int>(&options.YColumn, 1),
                       std::span<LineVerdict>(&verdict, 1));
    if (!verdict.Reason)
        record = verdict.Record;
    return verdict.Reason;
}

SkipReason ClassifyPlainLine(std::string_view line)
{
    XYData unused;
    return ParseImportLine(line, 0, ImportOptions{}, unused).value_or(SkipReason::MissingColumn);
}

std::optional<double> ParseDate(std::string_view s)
{
    std::size_t p = 0;
    int year = 0, month = 0, day = 1;
    if (!Digits(s, p, 4, 4, year) || p >= s.size() || (s[p] != '-' && s[p] != '/'))
        return std::nullopt;
    const char dateSep = s[p++];
    const int monthDigitsMin = 1;
    if (!Digits(s, p, monthDigitsMin, 2, month) || month < 1 || month > 12)
        return std::nullopt;
    if (p < s.size() && s[p] == dateSep) {
        ++p;
        if (!Digits(s, p, monthDigitsMin, 2, day) || day < 1 || day > DaysInMonth(year, month))
            return std::nullopt;
    }
    long double days = DaysFromCivil(year, month, day);
    if (p == s.size())
        return static_cast<double>(days);

    // The time of day.
    if (s[p] == 'T') {
        ++p;
    } else if (s[p] == ' ' || s[p] == '\t') {
        while (p < s.size() && (s[p] == ' ' || s[p] == '\t'))
            ++p;
    } else {
        return std::nullopt;
    }
    int hour = 0, minute = 0, second = 0;
    if (!Digits(s, p, 1, 2, hour) || p >= s.size() || s[p] != ':')
        return std::nullopt;
    ++p;
    if (!Digits(s, p, 2, 2, minute) || minute > 59)
        return std::nullopt;
    long double fraction = 0;
    if (p < s.size() && s[p] == ':') {
        ++p;
        if (!Digits(s, p, 2, 2, second) || second > 59)
            return std::nullopt;
        if (p < s.size() && s[p] == '.') {
            ++p;
            long double scale = 0.1L;
            const std::size_t start = p;
            while (p < s.size() && IsDigit(s[p])) {
                fraction += (s[p] - '0') * scale;
                scale /= 10;
                ++p;
            }
            if (p == start)
                return std::nullopt;
        }
    }
    if (hour > 24 || (hour == 24 && (minute != 0 || second != 0 || fraction != 0)))
        return std::nullopt;
    long double seconds = hour * 3600.0L + minute * 60.0L + second + fraction;

    // The offset from UTC, taken off to give UTC.
    if (p < s.size() && s[p] == 'Z') {
        ++p;
    } else if (p < s.size() && (s[p] == '+' || s[p] == '-')) {
        const int sign = s[p] == '-' ? -1 : 1;
        ++p;
        int oh = 0, om = 0;
        if (!Digits(s, p, 2, 2, oh) || oh > 23 || p >= s.size() || s[p] != ':')
            return std::nullopt;
        ++p;
        if (!Digits(s, p, 2, 2, om) || om > 59)
            return std::nullopt;
        seconds -= sign * (oh * 3600.0L + om * 60.0L);
    }
    if (p != s.size())
        return std::nullopt;
    days += seconds / 86400.0L;
    return static_cast<double>(days);
}

long DaysFromCivil(long y, int m, int d)
{
    y -= m <= 2;
    const long era = (y >= 0 ? y : y - 399) / 400;
    const long yoe = y - era * 400;
    const long doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

void CivilFromDays(long z, long& y, int& m, int& d)
{
    z += 719468;
    const long era = (z >= 0 ? z : z - 146096) / 146097;
    const long doe = z - era * 146097;
    const long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const long mp = (5 * doy + 2) / 153;
    d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    y = yoe + era * 400 + (m <= 2);
}

std::string FormatDate(double days, bool withTime)
{
    long day = static_cast<long>(std::floor(days));
    long minutes = withTime ? std::lround((days - static_cast<double>(day)) * 1440.0) : 0;
    if (minutes >= 1440) {
        ++day;
        minutes -= 1440;
    }
    long y = 0;
    int m = 0, d = 0;
    CivilFromDays(day, y, m, d);
    char text[64];
    if (withTime)
        std::snprintf(text, sizeof text, "%04ld-%02d-%02d %02ld:%02ld", y, m, d, minutes / 60, minutes % 60);
    else
        std::snprintf(text, sizeof text, "%04ld-%02d-%02d", y, m, d);
    return text;
}

} // namespace varimel
