#include "file_names.h"

namespace pf::convert {

namespace {

constexpr char16_t kEscapeBase = 0xDC00;

// The length of the well-formed UTF-8 sequence at `at`, or 0.
int SequenceLength(const QByteArray& b, qsizetype at) {
  const auto byte = [&b](qsizetype i) { return static_cast<unsigned char>(b[i]); };
  const unsigned char lead = byte(at);
  if (lead < 0x80) return 1;
  int length = 0;
  unsigned min = 0;
  unsigned code = 0;
  if ((lead & 0xE0) == 0xC0) {
    length = 2, min = 0x80, code = lead & 0x1F;
  } else if ((lead & 0xF0) == 0xE0) {
    length = 3, min = 0x800, code = lead & 0x0F;
  } else if ((lead & 0xF8) == 0xF0) {
    length = 4, min = 0x10000, code = lead & 0x07;
  } else {
    return 0;
  }
  if (at + length > b.size()) return 0;
  for (int k = 1; k < length; ++k) {
    if ((byte(at + k) & 0xC0) != 0x80) return 0;
    code = (code << 6) | (byte(at + k) & 0x3F);
  }
  // Overlong forms, surrogates and code points beyond Unicode are not UTF-8.
  if (code < min || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return 0;
  return length;
}

}  // namespace

QString FromLocalBytes(const QByteArray& bytes) {
  QString out;
  qsizetype run = 0;  // the start of the current well-formed run
  qsizetype i = 0;
  while (i < bytes.size()) {
    const int n = SequenceLength(bytes, i);
    if (n > 0) {
      i += n;
      continue;
    }
    out += QString::fromUtf8(bytes.constData() + run, i - run);
    out += QChar(static_cast<char16_t>(kEscapeBase + static_cast<unsigned char>(bytes[i])));
    run = ++i;
  }
  out += QString::fromUtf8(bytes.constData() + run, i - run);
  return out;
}

QByteArray LocalName(const QString& name) {
  QByteArray out;
  qsizetype run = 0;
  for (qsizetype i = 0; i < name.size(); ++i) {
    const char16_t c = name[i].unicode();
    const bool escaped =
        c >= kEscapeBase + 0x80 && c <= kEscapeBase + 0xFF && !(i > 0 && name[i - 1].isHighSurrogate());
    if (!escaped) continue;
    out += name.mid(run, i - run).toUtf8();
    out += static_cast<char>(c - kEscapeBase);
    run = i + 1;
  }
  out += name.mid(run).toUtf8();
  return out;
}

std::string LocalPath(const QString& name) {
  return LocalName(name).toStdString();
}

QString Shown(const QString& name) {
  QString out;
  for (qsizetype i = 0; i < name.size(); ++i) {
    const char16_t c = name[i].unicode();
    if (c >= kEscapeBase + 0x80 && c <= kEscapeBase + 0xFF && !(i > 0 && name[i - 1].isHighSurrogate())) {
      out += QStringLiteral("\\x") +
             QString::number(c - kEscapeBase, 16).toUpper().rightJustified(2, QLatin1Char('0'));
    } else {
      out += name[i];
    }
  }
  return out;
}

}  // namespace pf::convert
