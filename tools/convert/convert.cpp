#include "convert.h"

#include "icon_set.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QSet>
#include <algorithm>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "model/colour_reduction.h"
#include "model/file_io.h"
#include "model/full_colour_icon.h"
#include "model/icon_file.h"
#include "model/indexed_picture.h"
#include "model/packing.h"
#include "model/palette_set.h"
#include "model/photo_geometry.h"
#include "model/shared_state.h"
#include "platform/picture_loader.h"

namespace pf::convert {

const char* const kUsage =
    "usage: pictoforge-convert [options] INPUT... -o OUTPUT\n"
    "\n"
    "Makes 16-colour icons and bitmaps, full colour icons and exchange files from icons, bitmaps,\n"
    "exchange files (.dat) and photos (.jpg, .png), the way the editor's windows make them. With several\n"
    "inputs OUTPUT is a folder and each output takes its input's name with the format's extension.\n"
    "\n"
    "  -o, --output PATH       the output file, or the folder for several inputs\n"
    "  --format FORMAT         ico (32 x 32, 16 colours; the default and what .ico means), ico16,\n"
    "                          bmp (4-bit; what .bmp means), fc32, fc64, fc16 (24-bit full colour\n"
    "                          icons), exchange (the file pictoforge-send hands over; what .dat means),\n"
    "                          icon-set (one .ico of every size: 4-bit 16 and 32, full colour 16, 32,\n"
    "                          48 and a 256 PNG with alpha), png (the 32 x 32 16-colour result as an\n"
    "                          indexed PNG; what .png means), png16 (the 16 x 16 one)\n"
    "  --sizes LIST            the sizes of an icon-set, e.g. 16,32,48,256 (4-bit only for 16, 32)\n"
    "  --size W[xH]            the bitmap's size, 1 to 32 (default 32)\n"
    "  --fit                   scale the whole picture into the square (the default)\n"
    "  --crop X,Y[,SCALE]      the square a drag at X,Y cuts from the photo shown at SCALE (default 1)\n"
    "  --threshold N           the least distance between two reduced colours (default 10)\n"
    "  --quality best          refine the reduced palette until its error no longer falls; the\n"
    "                          threshold then only chooses the starting colours\n"
    "  --palette FILE.pal[:ROW]  map onto that palette set's colours (default: its current set)\n"
    "  --transparent N         the palette number saved as transparent: 0-15, -1 for none,\n"
    "                          99 to keep the input icon's mask (default 0, as in the editor)\n"
    "  --force                 replace outputs that exist\n"
    "  --add                   put the output's images into the icon file OUTPUT, replacing those of\n"
    "                          the same size and kind and keeping every other\n"
    "  --jobs N                files converted at once (default: one per core)\n"
    "  --help, --version\n"
    "\n"
    "Exit status: 0 all converted, 1 some failed (one line each on stderr), 2 a usage error.\n";

namespace {

struct FormatRow {
  OutputFormat format;
  const char* name;
  const char* extension;
};
constexpr FormatRow kFormats[] = {
    {OutputFormat::Ico, "ico", ".ico"},           {OutputFormat::Ico16, "ico16", ".ico"},
    {OutputFormat::Bmp, "bmp", ".bmp"},           {OutputFormat::Fc32, "fc32", ".ico"},
    {OutputFormat::Fc64, "fc64", ".ico"},         {OutputFormat::Fc16, "fc16", ".ico"},
    {OutputFormat::Exchange, "exchange", ".dat"}, {OutputFormat::IconSet, "icon-set", ".ico"},
    {OutputFormat::Png, "png", ".png"},           {OutputFormat::Png16, "png16", ".png"},
};

const FormatRow& RowOf(OutputFormat format) {
  for (const FormatRow& row : kFormats) {
    if (row.format == format) return row;
  }
  return kFormats[0];
}

// A whole decimal number and nothing else.
std::optional<int> WholeNumber(const QString& text) {
  bool ok = false;
  const int v = text.toInt(&ok, 10);
  return ok ? std::optional<int>(v) : std::nullopt;
}

std::optional<Palette> ReadPaletteOption(const QString& value, QString* error) {
  QString path = value;
  std::optional<int> row;
  // FILE.pal:ROW; a colon inside the name itself is left alone unless a number follows the last one.
  const qsizetype colon = value.lastIndexOf(QLatin1Char(':'));
  if (colon > 0) {
    if (const std::optional<int> n = WholeNumber(value.mid(colon + 1))) {
      row = n;
      path = value.left(colon);
    }
  }
  std::array<Palette, kPaletteSetCount> sets{};
  int current = -1;
  Palette currentColours{};
  int rows = 0;
  const PaletteSetRead read =
      ReadPaletteSetFile(QFile::encodeName(path).toStdString(), {sets, current, currentColours},
                         [&rows](int r) { rows = std::max(rows, r + 1); });
  if (rows == 0) {
    *error = QStringLiteral("--palette: %1 is not a palette-set file").arg(path);
    return std::nullopt;
  }
  (void)read;  // a damaged line further down leaves the sets before it usable
  const int chosen = row.value_or(current >= 0 ? current : 0);
  if (chosen < 0 || chosen >= rows) {
    *error = QStringLiteral("--palette: %1 has rows 0 to %2").arg(path).arg(rows - 1);
    return std::nullopt;
  }
  return sets[static_cast<std::size_t>(chosen)];
}

}  // namespace

const char* FormatName(OutputFormat format) {
  return RowOf(format).name;
}

std::optional<OutputFormat> FormatFromName(const QString& name) {
  for (const FormatRow& row : kFormats) {
    if (name == QLatin1String(row.name)) return row.format;
  }
  return std::nullopt;
}

std::optional<OutputFormat> FormatFromExtension(const QString& path) {
  const QString suffix = QFileInfo(path).suffix().toLower();
  if (suffix == QLatin1String("ico")) return OutputFormat::Ico;
  if (suffix == QLatin1String("bmp")) return OutputFormat::Bmp;
  if (suffix == QLatin1String("dat")) return OutputFormat::Exchange;
  if (suffix == QLatin1String("png")) return OutputFormat::Png;
  return std::nullopt;
}

QString FormatExtension(OutputFormat format) {
  return QLatin1String(RowOf(format).extension);
}

std::variant<Options, QString> ParseArguments(const QStringList& arguments) {
  Options o;
  bool fitGiven = false;
  bool cropGiven = false;
  for (qsizetype i = 0; i < arguments.size(); ++i) {
    QString arg = arguments[i];
    QString inlineValue;
    bool hasInline = false;
    if (arg.startsWith(QLatin1String("--")) && arg.contains(QLatin1Char('='))) {
      const qsizetype eq = arg.indexOf(QLatin1Char('='));
      inlineValue = arg.mid(eq + 1);
      arg = arg.left(eq);
      hasInline = true;
    }
    QString value;
    const auto takeValue = [&]() -> bool {
      if (hasInline) {
        value = inlineValue;
        return true;
      }
      if (i + 1 >= arguments.size()) return false;
      value = arguments[++i];
      return true;
    };
    const auto missing = [&arg] { return QStringLiteral("%1 needs a value").arg(arg); };
    const auto bad = [&arg, &value] { return QStringLiteral("%1: '%2' is not allowed").arg(arg, value); };

    if (arg == QLatin1String("--help") || arg == QLatin1String("-h")) {
      o.help = true;
    } else if (arg == QLatin1String("--version")) {
      o.version = true;
    } else if (arg == QLatin1String("-o") || arg == QLatin1String("--output")) {
      if (!takeValue()) return missing();
      if (!o.output.isEmpty()) return QStringLiteral("-o is given twice");
      o.output = value;
    } else if (arg == QLatin1String("--format")) {
      if (!takeValue()) return missing();
      o.format = FormatFromName(value);
      if (!o.format) return bad();
    } else if (arg == QLatin1String("--size")) {
      if (!takeValue()) return missing();
      const QStringList parts = value.split(QLatin1Char('x'));
      const std::optional<int> w = parts.size() <= 2 ? WholeNumber(parts[0]) : std::nullopt;
      const std::optional<int> h = parts.size() == 2 ? WholeNumber(parts[1]) : w;
      if (!w || !h || *w < 1 || *w > 32 || *h < 1 || *h > 32) return bad();
      o.bitmapWidth = *w;
      o.bitmapHeight = *h;
    } else if (arg == QLatin1String("--fit")) {
      fitGiven = true;
    } else if (arg == QLatin1String("--crop")) {
      if (!takeValue()) return missing();
      const QStringList parts = value.split(QLatin1Char(','));
      if (parts.size() < 2 || parts.size() > 3) return bad();
      const std::optional<int> x = WholeNumber(parts[0]);
      const std::optional<int> y = WholeNumber(parts[1]);
      bool ok = true;
      const double scale = parts.size() == 3 ? parts[2].toDouble(&ok) : 1.0;
      if (!x || !y || !ok || !std::isfinite(scale) || scale <= 0 || scale > 1) return bad();
      o.placement = Crop{*x, *y, scale};
      cropGiven = true;
    } else if (arg == QLatin1String("--threshold")) {
      if (!takeValue()) return missing();
      const std::optional<int> t = WholeNumber(value);
      if (!t || *t < 0 || *t > 442) return bad();
      o.threshold = *t;
    } else if (arg == QLatin1String("--quality")) {
      if (!takeValue()) return missing();
      if (value == QLatin1String("best")) {
        o.bestQuality = true;
      } else if (value != QLatin1String("default")) {
        return bad();
      }
    } else if (arg == QLatin1String("--palette")) {
      if (!takeValue()) return missing();
      QString error;
      o.palette = ReadPaletteOption(value, &error);
      if (!o.palette) return error;
    } else if (arg == QLatin1String("--transparent")) {
      if (!takeValue()) return missing();
      const std::optional<int> t = WholeNumber(value);
      if (!t || !((*t >= -1 && *t <= 15) || *t == 99)) return bad();
      o.transparent = *t;
    } else if (arg == QLatin1String("--force")) {
      o.force = true;
    } else if (arg == QLatin1String("--add")) {
      o.add = true;
    } else if (arg == QLatin1String("--sizes")) {
      if (!takeValue()) return missing();
      o.sizes = ParseIconSetSizes(value);
      if (!o.sizes) return bad();
    } else if (arg == QLatin1String("--jobs") || arg == QLatin1String("-j")) {
      if (!takeValue()) return missing();
      const std::optional<int> n = WholeNumber(value);
      if (!n || *n < 1 || *n > 1024) return bad();
      o.jobs = *n;
    } else if (arg == QLatin1String("--")) {
      o.inputs += arguments.mid(i + 1);
      break;
    } else if (arg.startsWith(QLatin1Char('-')) && arg.size() > 1) {
      return QStringLiteral("unknown option %1").arg(arg);
    } else {
      o.inputs.push_back(arguments[i]);
    }
  }
  if (o.help || o.version) return o;
  if (o.inputs.isEmpty()) return QStringLiteral("no input given");
  if (o.output.isEmpty()) return QStringLiteral("no output given (-o)");
  if (o.sizes && o.format != OutputFormat::IconSet) return QStringLiteral("--sizes is for --format icon-set");
  if (fitGiven && cropGiven) return QStringLiteral("--fit and --crop exclude each other");
  if (o.palette && o.bestQuality)
    return QStringLiteral("--quality best refines a reduced palette, not --palette");
  return o;
}

std::variant<std::vector<Job>, QString> PlanJobs(const Options& options) {
  const QFileInfo out(options.output);
  const bool intoFolder =
      options.inputs.size() > 1 || out.isDir() || options.output.endsWith(QLatin1Char('/'));
  std::vector<Job> jobs;
  if (!intoFolder) {
    const std::optional<OutputFormat> format =
        options.format ? options.format : FormatFromExtension(options.output);
    if (!format) {
      return QStringLiteral("%1: the extension names no format; give --format").arg(options.output);
    }
    jobs.push_back({options.inputs.first(), options.output, *format});
    return jobs;
  }
  if (out.exists() && !out.isDir()) {
    return QStringLiteral("%1 is not a folder, and several inputs need one").arg(options.output);
  }
  if (!QDir().mkpath(options.output)) return QStringLiteral("cannot make the folder %1").arg(options.output);
  const OutputFormat format = options.format.value_or(OutputFormat::Ico);
  const QDir folder(options.output);
  for (const QString& input : options.inputs) {
    const QString name = QFileInfo(input).completeBaseName() + FormatExtension(format);
    jobs.push_back({input, folder.filePath(name), format});
  }
  return jobs;
}

// ---------------------------------------------------------------------------------------------------

namespace {

using Bytes = std::vector<std::uint8_t>;

// A picture read as 16 colours: the editor's grid with the file's palette and, for an icon, its mask.
struct IndexedSource {
  Palette palette{};
  PixelArray pixels{};
  std::array<std::uint8_t, kMaskSize> mask{};
};

// A picture in full colour: a photo opened by the picture loader, or a full colour icon.
struct ColourSource {
  Photo photo;  // null for an icon
  QImage image;
  std::optional<FullColourIcon> icon;
  QSize size() const { return photo.isNull() ? image.size() : photo.size(); }
};

struct Failure {
  QString reason;
};

using Source = std::variant<IndexedSource, ColourSource, Failure>;

// The icon's mask as its alpha, which only the outputs that keep alpha look at.
QImage IconImage(const FullColourIcon& icon) {
  QImage image(icon.size, icon.size, QImage::Format_ARGB32);
  for (int y = 0; y < icon.size; ++y) {
    for (int x = 0; x < icon.size; ++x) {
      const std::size_t at = 3 * static_cast<std::size_t>((icon.size - 1 - y) * icon.size + x);
      const std::size_t bit = static_cast<std::size_t>((icon.size - 1 - y) * icon.size + x);
      const bool clear = (icon.mask[bit / 8] & (0x80 >> (bit % 8))) != 0;
      image.setPixel(x, y, qRgba(icon.pixels[at + 2], icon.pixels[at + 1], icon.pixels[at], clear ? 0 : 255));
    }
  }
  return image;
}

QImage IndexedImage(const IndexedSource& s) {
  QImage image(kIconSize, kIconSize, QImage::Format_RGB32);
  for (int y = 0; y < kIconSize; ++y) {
    for (int x = 0; x < kIconSize; ++x) {
      const PaletteEntry& e =
          s.palette[s.pixels[static_cast<std::size_t>((kIconSize - 1 - y) * kIconSize + x)]];
      image.setPixel(x, y, qRgb(e.red, e.green, e.blue));
    }
  }
  return image;
}

Source ReadPhoto(const QString& path) {
  ColourSource source;
  switch (LoadPictureFile(path, source.photo)) {
    case PictureStatus::Ok:
      return source;
    case PictureStatus::TooLarge:
      return Failure{
          QStringLiteral("the photo is too large (more than %1 pixels a side or %2 million pixels)")
              .arg(kMaxPictureEdge)
              .arg(kMaxPicturePixels / 1'000'000)};
    case PictureStatus::Unreadable:
      break;
  }
  return Failure{QStringLiteral("not an icon, bitmap or photo this program reads")};
}

// The first bytes decide the reader: an icon directory, a bitmap, or else whatever the picture loader
// recognises. Icons and bitmaps that are not 16-colour ones go to the full colour reader and the loader.
Source ReadSource(const QString& path) {
  const std::string local = QFile::encodeName(path).toStdString();
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return Failure{file.errorString()};
  const QByteArray head = file.read(4);
  file.close();
  const bool icon = head.startsWith(QByteArray("\0\0\1\0", 4));
  const bool bitmap = head.startsWith("BM");
  // An exchange file has no signature; its name says what it is, as it does when it is sent.
  if (!icon && !bitmap && QFileInfo(path).suffix().compare(QLatin1String("dat"), Qt::CaseInsensitive) == 0) {
    const std::optional<ExchangeImage> exchange = ReadExchangeFile(local);
    if (!exchange) return Failure{QStringLiteral("not an exchange file")};
    IndexedSource indexed;
    indexed.palette = exchange->palette;
    indexed.mask = exchange->mask;
    if (exchange->size == 16) {
      UnpackPixels16(std::span(exchange->packed).first(128), indexed.pixels);
    } else {
      UnpackPixels32(exchange->packed, indexed.pixels);
    }
    return indexed;
  }
  if (!icon && !bitmap) return ReadPhoto(path);

  std::string error;
  const std::optional<Bytes> bytes = ReadWholeFile(local, &error);
  if (!bytes) return Failure{QString::fromStdString(error)};
  auto headers = std::make_unique<SharedState>();
  IndexedSource indexed;
  std::array<std::uint8_t, kPackedSize> packed{};
  const IconReadTargets targets{indexed.palette, packed, indexed.mask, *headers};
  if (icon) {
    if (ParseIcon32(*bytes, targets) == IconReadStatus::Ok) {
      UnpackPixels32(packed, indexed.pixels);
      return indexed;
    }
    if (std::optional<FullColourIcon> full = ReadFullColourIcon(*bytes, *headers)) {
      ColourSource source;
      source.image = IconImage(*full);
      source.icon = std::move(full);
      return source;
    }
    return ReadPhoto(path);
  }
  if (ParseBitmap16(*bytes, targets) == IconReadStatus::Ok) {
    UnpackPixels32(packed, indexed.pixels);
    return indexed;
  }
  return ReadPhoto(path);
}

// The picture of width x height brought from the source by fitting or cutting, rows from the top; what
// lies outside the source is black, as in the windows. `squareOrigin` gives the cut's left or top for a
// pointer position. Nothing when the source cannot be decoded at the size it is needed. `keepAlpha` keeps
// the picture's alpha, else every pixel is opaque.
std::optional<QImage> Place(ColourSource& source, const std::variant<Fit, Crop>& placement, int width,
                            int height, int (*squareOrigin)(int pointer, int edge, int otherEdge),
                            QString* reason, bool keepAlpha = false) {
  const QSize full = source.size();
  double ratio = 1.0;
  if (std::holds_alternative<Fit>(placement)) {
    const double inside =
        std::min(static_cast<double>(width) / full.width(), static_cast<double>(height) / full.height());
    ratio = FitRatio(full.width(), full.height(), width, height, inside);
  } else {
    ratio = std::get<Crop>(placement).scale;
  }
  const Extent s = ShownSizeAt(full.width(), full.height(), ratio);
  const QSize shown(std::max(1, s.width), std::max(1, s.height));
  if (std::int64_t{shown.width()} * shown.height() > kMaxDecodedPixels) {
    *reason = QStringLiteral("the photo shown at that scale is too large");
    return std::nullopt;
  }
  QImage picture;
  if (!source.photo.isNull()) {
    if (!source.photo.decodeFor(shown)) {
      *reason = QStringLiteral("the picture cannot be decoded");
      return std::nullopt;
    }
    picture = source.photo.scaled(shown);
  } else {
    picture = source.image.size() == shown
                  ? source.image
                  : source.image.scaled(shown, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
  }
  if (keepAlpha) picture = picture.convertToFormat(QImage::Format_ARGB32);
  int left = 0;
  int top = 0;
  if (std::holds_alternative<Fit>(placement)) {
    left = -((width - shown.width()) / 2);
    top = -((height - shown.height()) / 2);
  } else {
    const Crop& c = std::get<Crop>(placement);
    left = squareOrigin(c.x, width, height);
    top = squareOrigin(c.y, height, width);
  }
  QImage out(width, height, keepAlpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
  out.fill(Qt::black);
  for (int y = 0; y < height; ++y) {
    const int sy = top + y;
    if (sy < 0 || sy >= picture.height()) continue;
    const auto* line = reinterpret_cast<const QRgb*>(picture.constScanLine(sy));
    auto* to = reinterpret_cast<QRgb*>(out.scanLine(y));
    for (int x = 0; x < width; ++x) {
      const int sx = left + x;
      if (sx >= 0 && sx < picture.width()) to[x] = keepAlpha ? line[sx] : line[sx] | 0xFF000000u;
    }
  }
  return out;
}

// The 32 x 32 square of the reduction windows has its pointer 15 pixels in; the photo window centres every
// other size on the pointer.
int SquareOrigin(int pointer, int edge, int otherEdge) {
  return edge == kReductionEdge && otherEdge == kReductionEdge ? ReductionSquareOrigin(pointer)
                                                               : CentredSquareOrigin(pointer, edge);
}

std::vector<PaletteEntry> Entries(const QImage& image) {
  std::vector<PaletteEntry> pixels;
  pixels.reserve(static_cast<std::size_t>(image.width() * image.height()));
  for (int y = 0; y < image.height(); ++y) {
    const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
    for (int x = 0; x < image.width(); ++x) {
      pixels.push_back(PaletteEntry{static_cast<std::uint8_t>(qBlue(line[x])),
                                    static_cast<std::uint8_t>(qGreen(line[x])),
                                    static_cast<std::uint8_t>(qRed(line[x])), 0});
    }
  }
  return pixels;
}

bool IsSixteenColour(OutputFormat f) {
  return f == OutputFormat::Ico || f == OutputFormat::Ico16 || f == OutputFormat::Bmp ||
         f == OutputFormat::Exchange || f == OutputFormat::Png || f == OutputFormat::Png16;
}

// The 16-colour picture in the editor's grid, as the reduction window hands it over: reduced (or mapped
// onto the fixed palette) and placed in the lower-left corner.
struct SixteenColour {
  Palette palette{};
  PixelArray pixels{};
  std::array<std::uint8_t, kMaskSize> mask{};  // the input icon's, kept by --transparent 99
  QString note;
};

std::optional<SixteenColour> MakeSixteenColour(const Options& o, const Job& job, Source& source,
                                               QString* reason) {
  SixteenColour out;
  if (auto* indexed = std::get_if<IndexedSource>(&source)) {
    out.palette = indexed->palette;
    out.pixels = indexed->pixels;
    out.mask = indexed->mask;
    if (o.palette) {
      // Each pixel takes the fixed palette's colour nearest to its own.
      const std::vector<std::uint8_t> map = NearestIndices(indexed->palette, *o.palette);
      for (int i = 0; i < kPixelCount; ++i)
        out.pixels[static_cast<std::size_t>(i)] = map[out.pixels[static_cast<std::size_t>(i)] & 15];
      out.palette = *o.palette;
    }
    return out;
  }
  auto& colour = std::get<ColourSource>(source);
  int w = kIconSize;
  int h = kIconSize;
  if (job.format == OutputFormat::Ico16 || job.format == OutputFormat::Png16) w = h = 16;
  if (job.format == OutputFormat::Bmp) {
    w = o.bitmapWidth;
    h = o.bitmapHeight;
  }
  const std::optional<QImage> placed = Place(colour, o.placement, w, h, SquareOrigin, reason);
  if (!placed) return std::nullopt;
  const std::vector<PaletteEntry> pixels = Entries(*placed);
  if (o.palette) {
    out.palette = *o.palette;
  } else {
    const PaletteChoice choice = ReducePalette(pixels, o.threshold);
    out.palette = choice.palette;
    if (choice.end == PaletteChoiceEnd::TooManyRejections) {
      out.note = QStringLiteral(
                     "only %1 colours are far enough apart at threshold %2; a smaller --threshold "
                     "gives more")
                     .arg(choice.accepted)
                     .arg(o.threshold);
    }
    // The threshold chose the starting colours; refining may then bring two as close as the picture
    // wants, which is what lets a smooth gradient keep its steps small.
    if (o.bestQuality) out.palette = RefinePalette(pixels, out.palette, 0);
  }
  const std::vector<std::uint8_t> indices = NearestIndices(pixels, out.palette);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      out.pixels[static_cast<std::size_t>((h - 1 - y) * kIconSize + x)] =
          indices[static_cast<std::size_t>(y * w + x)];
    }
  }
  return out;
}

Bytes WriteSixteenColour(const Options& o, const Job& job, SixteenColour& p) {
  std::array<std::uint8_t, kPackedSize> packed{};
  PackPixels32(std::span(p.pixels).first(kPixelCount), packed);
  // The mask as the editor saves it: from the transparent palette number, none for -1, kept for 99.
  std::array<std::uint8_t, kMaskSize> mask = p.mask;
  if (o.transparent != 99) BuildMaskFromTransparent(packed, o.transparent, o.transparent < 0, mask);
  switch (job.format) {
    case OutputFormat::Ico:
      return BuildIcon32(p.palette, packed, mask);
    case OutputFormat::Ico16:
      return BuildIcon16(std::span(p.pixels).first(kPixelCount), p.palette,
                         o.transparent == 99 ? -1 : o.transparent);
    case OutputFormat::Bmp:
      return BuildBitmapFile(packed, o.bitmapWidth, o.bitmapHeight, p.palette);
    case OutputFormat::Exchange:
      return BuildExchangeFile(p.palette, packed, mask);
    case OutputFormat::Png:
    case OutputFormat::Png16:
      // A PNG's transparency belongs to a palette entry; a mask kept as it is has none.
      return BuildIconPng(std::span(p.pixels).first(kPixelCount), p.palette,
                          o.transparent == 99 ? -1 : o.transparent,
                          job.format == OutputFormat::Png ? 32 : 16);
    default:
      return {};
  }
}

// Full colour icons from the 32 x 32 square the reduction window saves (fc32, and every second pixel of it
// for fc16) or the 64 x 64 one of the photo window; fully opaque unless the input is a full colour icon of
// that size, whose mask is kept.
std::optional<Bytes> MakeFullColour(const Options& o, const Job& job, Source& source, QString* reason) {
  ColourSource colour;
  if (auto* indexed = std::get_if<IndexedSource>(&source)) {
    colour.image = IndexedImage(*indexed);
  } else {
    colour = std::move(std::get<ColourSource>(source));
  }
  const int edge = job.format == OutputFormat::Fc64 ? 64 : 32;
  const std::optional<QImage> placed = Place(colour, o.placement, edge, edge, SquareOrigin, reason);
  if (!placed) return std::nullopt;
  Bytes pixels;
  pixels.reserve(static_cast<std::size_t>(3 * edge * edge));
  for (int r = 0; r < edge; ++r) {
    const auto* line = reinterpret_cast<const QRgb*>(placed->constScanLine(edge - 1 - r));
    for (int x = 0; x < edge; ++x) {
      pixels.push_back(static_cast<std::uint8_t>(qBlue(line[x])));
      pixels.push_back(static_cast<std::uint8_t>(qGreen(line[x])));
      pixels.push_back(static_cast<std::uint8_t>(qRed(line[x])));
    }
  }
  if (job.format == OutputFormat::Fc16) return BuildFullColourIcon16(pixels);
  Bytes mask(static_cast<std::size_t>(edge * edge / 8), 0);
  if (colour.icon && colour.icon->size == edge && std::holds_alternative<Fit>(o.placement))
    mask = colour.icon->mask;
  return BuildFullColourIcon(pixels, mask, edge);
}

// The icon set of the source, each 4-bit image reduced at its own size and each full colour one placed
// at its edge with the source's alpha.
std::variant<Bytes, QString> MakeIconSetOf(const Options& o, const Job& job, Source& source) {
  ColourSource colour;
  if (auto* indexed = std::get_if<IndexedSource>(&source)) {
    colour.image = IndexedImage(*indexed);
  } else {
    colour = std::get<ColourSource>(source);
  }
  IconSetMakers makers;
  makers.fourBit = [&](int edge, QString* reason) -> std::optional<Bytes> {
    Job sized = job;
    sized.format = edge == 16 ? OutputFormat::Ico16 : OutputFormat::Ico;
    std::optional<SixteenColour> picture = MakeSixteenColour(o, sized, source, reason);
    if (!picture) return std::nullopt;
    return WriteSixteenColour(o, sized, *picture);
  };
  makers.colour = [&](int edge, QString* reason) {
    return Place(colour, o.placement, edge, edge, SquareOrigin, reason, true);
  };
  return MakeIconSet(o.sizes.value_or(kIconSetSizes), makers);
}

bool IsIconFormat(OutputFormat f) {
  return f == OutputFormat::Ico || f == OutputFormat::Ico16 || f == OutputFormat::Fc32 ||
         f == OutputFormat::Fc64 || f == OutputFormat::Fc16 || f == OutputFormat::IconSet;
}

}  // namespace

Outcome ConvertFile(const Options& options, const Job& job) {
  const std::string local = QFile::encodeName(job.output).toStdString();
  if (options.add && !IsIconFormat(job.format)) {
    return {
        false,
        QStringLiteral("--add puts images into an icon file, and %1 makes none").arg(FormatName(job.format))};
  }
  if (!options.force && !options.add && QFileInfo::exists(job.output)) {
    return {false, QStringLiteral("%1 exists (--force replaces it)").arg(job.output)};
  }
  Source source = ReadSource(job.input);
  if (const auto* failure = std::get_if<Failure>(&source)) return {false, failure->reason};

  QString reason;
  QString note;
  Bytes bytes;
  if (job.format == OutputFormat::IconSet) {
    std::variant<Bytes, QString> made = MakeIconSetOf(options, job, source);
    if (const auto* failure = std::get_if<QString>(&made)) return {false, *failure};
    bytes = std::move(std::get<Bytes>(made));
  } else if (IsSixteenColour(job.format)) {
    std::optional<SixteenColour> picture = MakeSixteenColour(options, job, source, &reason);
    if (!picture) return {false, reason};
    bytes = WriteSixteenColour(options, job, *picture);
    note = picture->note;
  } else {
    std::optional<Bytes> made = MakeFullColour(options, job, source, &reason);
    if (!made) return {false, reason};
    bytes = std::move(*made);
  }
  if (bytes.empty()) return {false, QStringLiteral("nothing could be made of it")};
  if (options.add) {
    if (const std::optional<QString> failure = AddToIconFile(job.output, bytes, options.force))
      return {false, *failure};
    return {true, note};
  }
  std::string error;
  if (!WriteFileAtomically(local, bytes, &error)) {
    return {false, QStringLiteral("%1: %2").arg(job.output, QString::fromStdString(error))};
  }
  return {true, note};
}

}  // namespace pf::convert
