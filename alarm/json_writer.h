// A small JSON writer for the window's tables: names, UTF-8 texts and whole numbers.
#ifndef ORVANE_ALARM_JSON_WRITER_H
#define ORVANE_ALARM_JSON_WRITER_H

#include <string>
#include <string_view>

namespace ats {

class JsonWriter {
public:
    // Appends text as it is, with the comma that separates it from the value before.
    JsonWriter& Raw(std::string_view text) {
        if (m_comma && text.front() != '}' && text.front() != ']' && text.front() != ':')
            m_text += ',';
        m_text += text;
        m_comma = text.back() != '{' && text.back() != '[' && text.back() != ':';
        return *this;
    }
    // A quoted string; control characters are dropped, as no table holds one.
    JsonWriter& String(std::string_view text) {
        std::string quoted = "\"";
        for (const char c : text) {
            if (c == '"' || c == '\\') quoted += '\\';
            if (static_cast<unsigned char>(c) >= 0x20) quoted += c;
        }
        return Raw(quoted + '"');
    }
    JsonWriter& Key(std::string_view name) { return String(name).Raw(":"); }
    JsonWriter& Number(int value) { return Raw(std::to_string(value)); }
    JsonWriter& Numbers(std::initializer_list<int> values) {
        Raw("[");
        for (const int value : values) Number(value);
        return Raw("]");
    }
    const std::string& Text() const { return m_text; }

private:
    std::string m_text;
    bool m_comma = false;
};

}  // namespace ats

#endif
