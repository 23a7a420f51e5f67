#include "storage/IdListFile.h"

#include "storage/AtomicFile.h"
#include "storage/FileDescriptor.h"
#include "storage/TextEncoding.h"

#include <algorithm>
#include <cerrno>
#include <unistd.h>
#include <vector>

namespace orvanel {

namespace {

// No ID is this long: a field beyond it means the file is not an ID list, and reading stops there
// rather than taking a huge file into memory.
constexpr std::size_t kMaxFieldBytes = 128 * 1024;
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

bool needsQuotes(const std::string& text)
{
    if (text.empty())
        return false;
    return text.find_first_of(",\r\n") != std::string::npos || isBlank(text.front()) || text.front() == '"' ||
           isBlank(text.back());
}

// Splits bytes into fields as they arrive, in any chunks, and stops at the twelfth.
class FieldReader
{
public:
    // False once the twelve fields are read or a field is too long: nothing more is wanted.
    bool feed(std::string_view bytes)
    {
        for (const char c : bytes) {
            if (!wantsMore())
                return false;
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

    bool tooLong() const { return m_tooLong; }
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

    bool wantsMore() const { return m_fields.size() < kIdListRows && !m_tooLong; }

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
            m_tooLong = true;
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
    bool m_tooLong = false;
    std::vector<std::string> m_fields;
};

IdListRead collect(const FieldReader& reader, const std::string& path)
{
    IdListRead result;
    if (reader.tooLong()) {
        result.problem =
            path + ": no es una lista de IDs (un campo de más de " + std::to_string(kMaxFieldBytes / 1024) + " KiB)";
        return result;
    }
    const auto& fields = reader.fields();
    // Each field on its own: two halves of a character around a comma or a line end are no character.
    const bool utf8 = std::all_of(fields.begin(), fields.end(), [](const std::string& f) { return isValidUtf8(f); });
    for (std::size_t i = 0; i < fields.size(); ++i)
        result.ids[i] = utf8 ? fields[i] : windows1252ToUtf8(fields[i]);
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

IdListRead readIdList(const std::string& path)
{
    IdListRead failed;
    FileDescriptor file = FileDescriptor::openOrdinaryFile(path, failed.problem);
    if (!file.isOpen())
        return failed;
    FieldReader reader;
    std::string chunk(64 * 1024, '\0');
    for (;;) {
        const ssize_t got = ::read(file.get(), chunk.data(), chunk.size());
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            failed.problem = describeFileError(path, errno);
            return failed;
        }
        if (got == 0 || !reader.feed(std::string_view(chunk.data(), static_cast<std::size_t>(got))))
            break;
    }
    reader.finish();
    return collect(reader, path);
}

FileProblem writeIdList(const std::string& path, const IdList& ids)
{
    return replaceFile(path, formatIdList(ids));
}

} // namespace orvanel
