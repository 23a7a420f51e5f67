#include "storage/IdListFile.h"

#include "storage/TextEncoding.h"

#include <algorithm>
#include <cstdio>
#include <vector>

namespace orvanel {

namespace {

// Each byte of an ID is at most a third of a character (UTF-8 needs three bytes for one, four for
// two): a field of more bytes than this holds too many characters, and reading stops there.
constexpr std::size_t kMaxFieldBytes = 3 * kMaxIdLength;
// Twelve IDs of the greatest length, quoted and with their line ends, fit well within this; a file
// that has not given its twelve fields by then is not an ID list, however it goes on.
constexpr std::size_t kMaxBytesRead = 2 * 1024 * 1024;
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
constexpr const char* kNotAList = ": no es una lista de IDs: ";

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

// A control character in one byte, other than the blanks and line ends of text.
bool isControlByte(char c)
{
    const auto byte = static_cast<unsigned char>(c);
    return (byte < 0x20 && c != '\t' && c != '\r' && c != '\n') || byte == 0x7F;
}

bool needsQuotes(const std::string& text)
{
    if (text.empty())
        return false;
    return text.find_first_of(",\r\n") != std::string::npos || isBlank(text.front()) || text.front() == '"' ||
           isBlank(text.back());
}

std::string codePoint(unsigned value)
{
    char text[16];
    std::snprintf(text, sizeof text, "U+%04X", value);
    return text;
}

std::string tooLong(std::size_t row)
{
    return "el ID de la fila " + std::to_string(row) + " tiene más de " + std::to_string(kMaxIdLength) +
           " caracteres, más de los que caben en su casilla";
}

std::string controlCharacter(std::size_t row, unsigned value)
{
    return "el ID de la fila " + std::to_string(row) + " tiene un carácter de control (" + codePoint(value) + ")";
}

// A control character of an ID in UTF-8, which is no part of an ID, named for the user; empty when
// there is none.
std::string controlProblem(std::string_view id, std::size_t row)
{
    for (std::size_t i = 0; i < id.size(); ++i) {
        const auto byte = static_cast<unsigned char>(id[i]);
        if (isControlByte(id[i]))
            return controlCharacter(row, byte);
        // U+0080 to U+009F, the second set of control characters, are C2 80 to C2 9F.
        const auto next = i + 1 < id.size() ? static_cast<unsigned char>(id[i + 1]) : 0U;
        if (byte == 0xC2 && next >= 0x80 && next <= 0x9F)
            return controlCharacter(row, next);
    }
    return {};
}

// Splits bytes into fields as they arrive, in any chunks, and stops at the twelfth, or as soon as
// the bytes cannot be an ID list.
class FieldReader
{
public:
    enum class Refusal
    {
        None,
        ControlByte,  // in the field being read; badByte() is the byte
        FieldTooLong, // the field being read
        TooMuchRead,
    };

    // False once the twelve fields are read or the bytes are refused: nothing more is wanted.
    bool feed(std::string_view bytes)
    {
        for (const char c : bytes) {
            if (!wantsMore())
                return false;
            if (++m_bytesRead > kMaxBytesRead) {
                m_refusal = Refusal::TooMuchRead;
                return false;
            }
            take(c);
        }
        return wantsMore();
    }

    void finish()
    {
        if (m_byteOrderMarkSeen > 0 && m_byteOrderMarkSeen < kByteOrderMark.size())
            replayByteOrderMark();
        if (wantsMore() && m_state != State::FieldStart && m_state != State::AfterCarriageReturn)
            endField();
    }

    Refusal refusal() const { return m_refusal; }
    char badByte() const { return m_badByte; }
    const std::vector<std::string>& fields() const { return m_fields; }

private:
    enum class State
    {
        FieldStart,
        Plain,
        Quoted,
        QuoteInQuoted, // a quote inside a quoted field: the closing one, or the first of a pair
        AfterQuoted,
        AfterCarriageReturn,
    };

    bool wantsMore() const { return m_fields.size() < kIdListRows && m_refusal == Refusal::None; }

    void take(char c)
    {
        if (m_byteOrderMarkSeen < kByteOrderMark.size()) {
            if (c == kByteOrderMark[m_byteOrderMarkSeen]) {
                ++m_byteOrderMarkSeen;
                return;
            }
            replayByteOrderMark();
        }
        step(c);
    }

    // The bytes taken for the start of a mark that was not one are text after all.
    void replayByteOrderMark()
    {
        const std::size_t seen = m_byteOrderMarkSeen;
        m_byteOrderMarkSeen = kByteOrderMark.size();
        for (std::size_t i = 0; i < seen; ++i)
            step(kByteOrderMark[i]);
    }

    void step(char c)
    {
        if (isControlByte(c)) {
            m_refusal = Refusal::ControlByte;
            m_badByte = c;
            return;
        }
        switch (m_state) {
        case State::AfterCarriageReturn:
            m_state = State::FieldStart;
            if (c == '\n')
                return;
            [[fallthrough]];
        case State::FieldStart:
            if (isBlank(c))
                return;
            if (c == '"') {
                m_state = State::Quoted;
                m_quoted = true;
                return;
            }
            if (endsField(c))
                return;
            m_state = State::Plain;
            append(c);
            return;
        case State::Plain:
            if (!endsField(c))
                append(c);
            return;
        case State::Quoted:
            if (c == '"')
                m_state = State::QuoteInQuoted;
            else
                append(c);
            return;
        case State::QuoteInQuoted:
            if (c == '"') {
                m_state = State::Quoted;
                append(c);
                return;
            }
            m_state = State::AfterQuoted;
            [[fallthrough]];
        case State::AfterQuoted:
            endsField(c);
            return;
        }
    }

    // Ends the field on a comma or a line end; false for any other byte.
    bool endsField(char c)
    {
        if (c != ',' && c != '\r' && c != '\n')
            return false;
        endField();
        m_state = c == '\r' ? State::AfterCarriageReturn : State::FieldStart;
        return true;
    }

    void append(char c)
    {
        m_field += c;
        if (m_field.size() > kMaxFieldBytes)
            m_refusal = Refusal::FieldTooLong;
    }

    void endField()
    {
        if (!m_quoted) {
            while (!m_field.empty() && isBlank(m_field.back()))
                m_field.pop_back();
        }
        m_fields.push_back(std::move(m_field));
        m_field.clear();
        m_quoted = false;
    }

    State m_state = State::FieldStart;
    std::size_t m_byteOrderMarkSeen = 0;
    std::string m_field;
    bool m_quoted = false;
    std::size_t m_bytesRead = 0;
    Refusal m_refusal = Refusal::None;
    char m_badByte = 0;
    std::vector<std::string> m_fields;
};

IdListRead collect(const FieldReader& reader, const std::string& path)
{
    IdListRead result;
    const auto& fields = reader.fields();
    const std::size_t current = fields.size() + 1;
    switch (reader.refusal()) {
    case FieldReader::Refusal::ControlByte:
        result.problem = path + kNotAList + controlCharacter(current, static_cast<unsigned char>(reader.badByte()));
        return result;
    case FieldReader::Refusal::FieldTooLong:
        result.problem = path + ": " + tooLong(current);
        return result;
    case FieldReader::Refusal::TooMuchRead:
        result.problem = path + kNotAList + "más de " + std::to_string(kMaxBytesRead / (1024 * 1024)) +
                         " MiB sin completar los " + std::to_string(kIdListRows) + " IDs";
        return result;
    case FieldReader::Refusal::None:
        break;
    }
    // Each field on its own: two halves of a character around a comma or a line end are no character.
    const bool utf8 = std::all_of(fields.begin(), fields.end(), [](const std::string& f) { return isValidUtf8(f); });
    for (std::size_t i = 0; i < fields.size(); ++i) {
        std::string id = utf8 ? fields[i] : windows1252ToUtf8(fields[i]);
        std::string problem = controlProblem(id, i + 1);
        if (!problem.empty())
            problem = path + kNotAList + problem;
        else if (utf16Length(id) > kMaxIdLength)
            problem = path + ": " + tooLong(i + 1);
        if (!problem.empty()) {
            result = {};
            result.problem = std::move(problem);
            return result;
        }
        result.ids[i] = std::move(id);
    }
    return result;
}

} // namespace

std::string formatIdList(const IdList& ids)
{
    std::string out;
    for (const std::string& text : ids) {
        // A text that starts the file with a byte order mark would lose it to the reader.
        const bool markFirst = out.empty() && text.compare(0, kByteOrderMark.size(), kByteOrderMark) == 0;
        if (needsQuotes(text) || markFirst) {
            out += '"';
            for (const char c : text)
                out += c == '"' ? std::string_view("\"\"") : std::string_view(&c, 1);
            out += '"';
        } else {
            out += text;
        }
        out += "\r\n";
    }
    return out;
}

IdListRead parseIdList(std::string_view bytes, const std::string& path)
{
    FieldReader reader;
    reader.feed(bytes);
    reader.finish();
    return collect(reader, path);
}

IdListRead readIdList(Files& files, const std::string& path)
{
    FieldReader reader;
    // A byte beyond the most a list may take tells the reader that the file goes on.
    const FileReading reading = files.read(path, FileOwners::Anyone, kMaxBytesRead + 1,
                                           [&reader](std::string_view bytes) { return reader.feed(bytes); });
    if (!reading.problem.empty()) {
        IdListRead failed;
        failed.problem = reading.problem;
        return failed;
    }
    reader.finish();
    return collect(reader, path);
}

FileProblem idListProblem(const IdList& ids, const std::string& path)
{
    for (std::size_t i = 0; i < ids.size(); ++i) {
        if (utf16Length(ids[i]) > kMaxIdLength)
            return path + ": " + tooLong(i + 1);
        if (const std::string problem = controlProblem(ids[i], i + 1); !problem.empty())
            return path + ": " + problem;
    }
    return {};
}

FileProblem writeIdList(Files& files, const std::string& path, const IdList& ids)
{
    if (FileProblem problem = idListProblem(ids, path); !problem.empty())
        return problem;
    return files.replace(path, formatIdList(ids), FileOwners::Anyone);
}

} // namespace orvanel
