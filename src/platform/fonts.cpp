#include "platform/fonts.h"

#include <QString>
#include <QStringList>
#include <algorithm>
#include <cstdlib>

namespace pf {

namespace {

// The face name the windows use, with and without the full-width space, and its ASCII spelling.
const char kMinchoFace[] = "ＭＳ明朝";
const char* const kMinchoAliases[] = {"ＭＳ明朝", "ＭＳ 明朝", "MS Mincho"};

// Installed Mincho faces, best first; IPAMincho comes with fonts-ipafont-mincho.
QStringList InstalledMinchoFaces() {
  return {QStringLiteral("IPAMincho"), QStringLiteral("IPAexMincho"), QStringLiteral("Noto Serif CJK JP"),
          QStringLiteral("Noto Sans CJK JP")};
}

}  // namespace

void InstallFontSubstitutes() {
  const QStringList faces = InstalledMinchoFaces();
  for (const char* alias : kMinchoAliases) {
    const QString name = QString::fromUtf8(alias);
    // insertSubstitutions would append to a list that is already there; replace it instead.
    QFont::removeSubstitutions(name);
    QFont::insertSubstitutions(name, faces);
  }
}

QFont MinchoFont(int pixelHeight, int weight) {
  QFont font(QString::fromUtf8(kMinchoFace));
  const long long magnitude = std::llabs(static_cast<long long>(pixelHeight));
  font.setPixelSize(magnitude == 0 ? 16 : static_cast<int>(std::min<long long>(magnitude, 4096)));
  // Windows weights run 1..1000 like Qt's; 0 means "don't care", which is normal.
  font.setWeight(static_cast<QFont::Weight>(weight <= 0 ? 400 : std::min(weight, 1000)));
  font.setStyleStrategy(QFont::NoAntialias);
  // Full hinting snaps the monochrome glyph outlines to the pixel grid; without it strokes come out uneven.
  font.setHintingPreference(QFont::PreferFullHinting);
  return font;
}

}  // namespace pf
