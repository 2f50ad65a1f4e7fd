#include "filelist/pathtext.h"

namespace tavu {

namespace {

constexpr char16_t kCarriedBase = 0xDC00;

bool Carried(char16_t c) { return c >= 0xDC80 && c <= 0xDCFF; }

// The length of the valid UTF-8 sequence at s[i] (0 if there is none) and its code point.
size_t Utf8At(std::string_view s, size_t i, char32_t& cp) {
    const auto b = [&](size_t k) { return uint8_t(s[i + k]); };
    const uint8_t c = b(0);
    const size_t left = s.size() - i;
    if (c < 0x80) {
        cp = c;
        return 1;
    }
    size_t n;
    char32_t min;
    if ((c & 0xE0) == 0xC0) n = 2, cp = c & 0x1F, min = 0x80;
    else if ((c & 0xF0) == 0xE0) n = 3, cp = c & 0x0F, min = 0x800;
    else if ((c & 0xF8) == 0xF0) n = 4, cp = c & 0x07, min = 0x10000;
    else return 0;
    if (left < n) return 0;
    for (size_t k = 1; k < n; ++k) {
        if ((b(k) & 0xC0) != 0x80) return 0;
        cp = (cp << 6) | (b(k) & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;  // overlong or not a character
    return n;
}

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += char(cp);
    } else if (cp < 0x800) {
        out += char(0xC0 | (cp >> 6));
        out += char(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += char(0xE0 | (cp >> 12));
        out += char(0x80 | ((cp >> 6) & 0x3F));
        out += char(0x80 | (cp & 0x3F));
    } else {
        out += char(0xF0 | (cp >> 18));
        out += char(0x80 | ((cp >> 12) & 0x3F));
        out += char(0x80 | ((cp >> 6) & 0x3F));
        out += char(0x80 | (cp & 0x3F));
    }
}

}  // namespace

QString PathText(std::string_view bytes) {
    QString out;
    out.reserve(qsizetype(bytes.size()));
    for (size_t i = 0; i < bytes.size();) {
        char32_t cp = 0;
        const size_t n = Utf8At(bytes, i, cp);
        if (n == 0) {
            out += QChar(char16_t(kCarriedBase | uint8_t(bytes[i])));
            ++i;
            continue;
        }
        if (cp >= 0x10000) {
            out += QChar(QChar::highSurrogate(cp));
            out += QChar(QChar::lowSurrogate(cp));
        } else {
            out += QChar(char16_t(cp));
        }
        i += n;
    }
    return out;
}

std::string PathBytes(const QString& text) {
    std::string out;
    out.reserve(size_t(text.size()));
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = text[i].unicode();
        if (QChar::isHighSurrogate(c) && i + 1 < n && QChar::isLowSurrogate(text[i + 1].unicode())) {
            AppendUtf8(out, QChar::surrogateToUcs4(c, text[i + 1].unicode()));
            ++i;
        } else if (Carried(c)) {
            out += char(uint8_t(c & 0xFF));
        } else if (QChar::isSurrogate(c)) {
            AppendUtf8(out, 0xFFFD);  // a stray surrogate that no file name can hold
        } else {
            AppendUtf8(out, c);
        }
    }
    return out;
}

QString ReadablePath(const QString& text) {
    QString out = text;
    const qsizetype n = out.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = out[i].unicode();
        if (QChar::isHighSurrogate(c) && i + 1 < n && QChar::isLowSurrogate(out[i + 1].unicode())) ++i;
        else if (QChar::isSurrogate(c)) out[i] = QChar(0xFFFD);
    }
    return out;
}

}  // namespace tavu
