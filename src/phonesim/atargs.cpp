#include "phonesim/atargs.h"

namespace phonesim {

void ArgReader::SkipBlanks() {
    while (m_pos < m_text.size() && m_text[m_pos] == ' ')
        ++m_pos;
}

bool ArgReader::AtEnd() {
    SkipBlanks();
    return m_pos >= m_text.size();
}

bool ArgReader::NextIsEmpty() {
    SkipBlanks();
    return m_pos >= m_text.size() || m_text[m_pos] == ',';
}

bool ArgReader::Comma() {
    SkipBlanks();
    if (m_pos < m_text.size() && m_text[m_pos] == ',') {
        ++m_pos;
        return true;
    }
    return false;
}

bool ArgReader::Int(int* value) {
    SkipBlanks();
    size_t start = m_pos;
    long long v = 0;
    while (m_pos < m_text.size() && m_text[m_pos] >= '0' && m_text[m_pos] <= '9') {
        v = v * 10 + (m_text[m_pos] - '0');
        if (v > 1000000000)
            return false;
        ++m_pos;
    }
    if (m_pos == start)
        return false;
    *value = static_cast<int>(v);
    return true;
}

bool ArgReader::Quoted(std::string* value, bool lastField) {
    SkipBlanks();
    if (m_pos >= m_text.size() || m_text[m_pos] != '"')
        return false;
    size_t open = m_pos;
    size_t close = std::string_view::npos;
    if (lastField) {
        size_t last = m_text.rfind('"');
        if (last != open)
            close = last;
    } else {
        for (size_t q = m_text.find('"', open + 1); q != std::string_view::npos;
             q = m_text.find('"', q + 1)) {
            size_t after = q + 1;
            while (after < m_text.size() && m_text[after] == ' ')
                ++after;
            if (after >= m_text.size() || m_text[after] == ',') {
                close = q;
                break;
            }
        }
    }
    if (close == std::string_view::npos)
        return false;
    *value = std::string(m_text.substr(open + 1, close - open - 1));
    m_pos = close + 1;
    return true;
}

bool OneSetting(std::string_view args, int max, int* value) {
    ArgReader r(args);
    int v = 0;
    if (!r.Int(&v) || !r.AtEnd() || v > max)
        return false;
    *value = v;
    return true;
}

} // namespace phonesim
