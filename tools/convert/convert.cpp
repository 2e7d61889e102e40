#include "convert.h"

#include "icon_set.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFileInfo>
#include <QImage>
#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "diagnostics.h"
#include "file_names.h"
#include "model/colour_reduction.h"
#include "model/file_io.h"
#include "model/foreign_palette.h"
#include "model/full_colour_icon.h"
#include "model/icon_file.h"
#include "model/icon_images.h"
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
    "INPUT - reads standard input and -o - writes standard output (the format then from --format,\n"
    "default ico); pipes such as /dev/stdin are read by their content.\n"
    "\n"
    "  -o, --output PATH       the output file, or the folder for several inputs\n"
    "  --format FORMAT         ico (32 x 32, 16 colours; the default and what .ico means), ico16,\n"
    "                          bmp (4-bit; what .bmp means), fc32, fc64, fc16 (24-bit full colour\n"
    "                          icons), exchange (the file pictoforge-send hands over; what .dat means),\n"
    "                          icon-set (one .ico of every size: 4-bit 16 and 32, full colour 16, 32,\n"
    "                          48 and a 256 PNG with alpha), png (the 32 x 32 16-colour result as an\n"
    "                          indexed PNG; what .png means), png16 (the 16 x 16 one)\n"
    "  --sizes LIST            the sizes of an icon-set, e.g. 16,32,48,256 (4-bit only for 16, 32)\n"
    "  --size W[xH]            the bitmap's size, 1 to 32 (default 32; bmp only)\n"
    "  --fit                   scale the whole picture into the square (the default)\n"
    "  --crop X,Y[,SCALE]      the square a drag at X,Y cuts from the photo shown at SCALE (default 1);\n"
    "                          X and Y from -20000 to 20000, SCALE above 0 up to 1\n"
    "  --threshold N           the least distance between two reduced colours, 0 to 442 (default 10)\n"
    "  --quality best          refine the reduced palette until its error no longer falls; the\n"
    "                          threshold then only chooses the starting colours\n"
    "  --palette FILE.pal[:ROW]  map onto that palette set's colours (default: its current set)\n"
    "  --transparent N         the palette number saved as transparent: 0-15, -1 for none, 99 for\n"
    "                          the input's own mask or alpha. Default: a picture with alpha (PNG,\n"
    "                          32-bit icon) is masked where its alpha is below half, those pixels taking\n"
    "                          palette entry 15 of their own (with --palette, the entry nearest the\n"
    "                          background); a 16-colour icon keeps its mask; anything else has none\n"
    "  --transparent-colour RRGGBB  the palette colour nearest RRGGBB is saved as transparent\n"
    "  --background RRGGBB     what fills transparent parts and the bands of --fit where no mask\n"
    "                          keeps them, and the colour of the transparent entry (default 000000)\n"
    "  --force                 replace outputs that exist\n"
    "  --add                   put the output's images into the icon file OUTPUT, replacing those of\n"
    "                          the same size and kind and keeping every other\n"
    "  --quiet                 no notes and no progress line; failures are still reported\n"
    "  --jobs N                files converted at once, 0 for one per core (the default)\n"
    "  --help, --version\n"
    "\n"
    "An icon file with a 32 x 32 16-colour image gives that image to 16-colour outputs. Otherwise the\n"
    "icon's image of the output's size is used (the one with the most colours among several), else the\n"
    "smallest larger one, else the largest.\n"
    "\n"
    "Pictures up to 20000 pixels a side and 200 million pixels are read; formats other than JPEG,\n"
    "which are decoded whole, up to 64 million pixels. Pipes and standard input up to 256 MiB.\n"
    "\n"
    "Exit status: 0 all converted, 1 some failed (one line each on stderr), 2 a usage error,\n"
    "130 or 143 interrupted (files already written are complete; no temporary file stays).\n";

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

// The most a pipe or standard input is read to; a regular file's photo is read by the decoder itself.
constexpr qint64 kMaxStreamBytes = qint64{256} * 1024 * 1024;
// A 16-colour bitmap of at most 32 x 32 pixels lies well within this; a larger "BM" file is a photo.
constexpr std::size_t kBitmapReadLength = 1024 * 1024;
// --crop's pointer: beyond a picture's largest side either way is outside every photo.
constexpr int kMaxCropPointer = kMaxPictureEdge;

// A whole decimal number and nothing else.
std::optional<int> WholeNumber(const QString& text) {
  bool ok = false;
  const int v = text.toInt(&ok, 10);
  return ok ? std::optional<int>(v) : std::nullopt;
}

// Six hexadecimal digits, red first, with or without a leading '#'.
std::optional<QRgb> HexColour(QString text) {
  if (text.startsWith(QLatin1Char('#'))) text.remove(0, 1);
  if (text.size() != 6) return std::nullopt;
  bool ok = false;
  const uint v = text.toUInt(&ok, 16);
  if (!ok) return std::nullopt;
  return qRgb(static_cast<int>((v >> 16) & 0xFF), static_cast<int>((v >> 8) & 0xFF),
              static_cast<int>(v & 0xFF));
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
  const std::string local = LocalPath(path);
  struct stat st {};
  if (::stat(local.c_str(), &st) != 0) {
    *error =
        QStringLiteral("--palette: %1: %2").arg(Shown(path), QString::fromLocal8Bit(std::strerror(errno)));
    return std::nullopt;
  }
  if (std::optional<Palette> foreign = ReadForeignPaletteFile(local))
    return foreign;  // another program's palette (GIMP, JASC, hex list, .act, RIFF): one set
  std::array<Palette, kPaletteSetCount> sets{};
  int current = -1;
  Palette currentColours{};
  int rows = 0;
  const PaletteSetRead read = ReadPaletteSetFile(local, {sets, current, currentColours},
                                                 [&rows](int r) { rows = std::max(rows, r + 1); });
  if (rows == 0) {
    *error = QStringLiteral("--palette: %1 is not a palette-set file").arg(Shown(path));
    return std::nullopt;
  }
  (void)read;  // a damaged line further down leaves the sets before it usable
  const int chosen = row.value_or(current >= 0 ? current : 0);
  if (chosen < 0 || chosen >= rows) {
    *error = QStringLiteral("--palette: %1 has rows 0 to %2").arg(Shown(path)).arg(rows - 1);
    return std::nullopt;
  }
  return sets[static_cast<std::size_t>(chosen)];
}

std::optional<QString> NotAllowed(const char* option, const QString& value) {
  return QStringLiteral("%1: '%2' is not allowed").arg(QLatin1String(option), value);
}

// The option table. A row's function reads its value and sets the options; the parser has already
// checked that a flag has no value and a valued option has one.
constexpr OptionSpec kOptions[] = {
    {"--help", "-h", nullptr,
     [](Options& o, const QString&) -> std::optional<QString> {
       o.help = true;
       return std::nullopt;
     }},
    {"--version", nullptr, nullptr,
     [](Options& o, const QString&) -> std::optional<QString> {
       o.version = true;
       return std::nullopt;
     }},
    {"--output", "-o", "PATH",
     [](Options& o, const QString& v) -> std::optional<QString> {
       if (!o.output.isEmpty()) return QStringLiteral("-o is given twice");
       if (v.isEmpty()) return QStringLiteral("-o: the output name is empty");
       o.output = v;
       return std::nullopt;
     }},
    {"--format", nullptr, "FORMAT",
     [](Options& o, const QString& v) -> std::optional<QString> {
       o.format = FormatFromName(v);
       if (!o.format) return NotAllowed("--format", v);
       return std::nullopt;
     }},
    {"--size", nullptr, "WxH",
     [](Options& o, const QString& v) -> std::optional<QString> {
       const QStringList parts = v.split(QLatin1Char('x'));
       const std::optional<int> w = parts.size() <= 2 ? WholeNumber(parts[0]) : std::nullopt;
       const std::optional<int> h = parts.size() == 2 ? WholeNumber(parts[1]) : w;
       if (!w || !h || *w < 1 || *w > 32 || *h < 1 || *h > 32) return NotAllowed("--size", v);
       o.bitmapWidth = *w;
       o.bitmapHeight = *h;
       return std::nullopt;
     }},
    {"--fit", nullptr, nullptr,
     [](Options&, const QString&) -> std::optional<QString> { return std::nullopt; }},
    {"--crop", nullptr, "X,Y[,SCALE]",
     [](Options& o, const QString& v) -> std::optional<QString> {
       const QStringList parts = v.split(QLatin1Char(','));
       if (parts.size() < 2 || parts.size() > 3) return NotAllowed("--crop", v);
       const std::optional<int> x = WholeNumber(parts[0]);
       const std::optional<int> y = WholeNumber(parts[1]);
       bool ok = true;
       const double scale = parts.size() == 3 ? parts[2].toDouble(&ok) : 1.0;
       if (!x || !y || !ok || !std::isfinite(scale) || scale <= 0 || scale > 1)
         return NotAllowed("--crop", v);
       // Bounded here, so that no sum made of them later can overflow.
       if (*x < -kMaxCropPointer || *x > kMaxCropPointer || *y < -kMaxCropPointer || *y > kMaxCropPointer) {
         return QStringLiteral("--crop: X and Y lie from -%1 to %1").arg(kMaxCropPointer);
       }
       o.placement = Crop{*x, *y, scale};
       return std::nullopt;
     }},
    {"--threshold", nullptr, "N",
     [](Options& o, const QString& v) -> std::optional<QString> {
       const std::optional<int> t = WholeNumber(v);
       if (!t || *t < 0 || *t > 442) return NotAllowed("--threshold", v);
       o.threshold = *t;
       return std::nullopt;
     }},
    {"--quality", nullptr, "best",
     [](Options& o, const QString& v) -> std::optional<QString> {
       if (v == QLatin1String("best")) {
         o.bestQuality = true;
       } else if (v != QLatin1String("default")) {
         return NotAllowed("--quality", v);
       }
       return std::nullopt;
     }},
    {"--palette", nullptr, "FILE",
     [](Options& o, const QString& v) -> std::optional<QString> {
       QString error;
       o.palette = ReadPaletteOption(v, &error);
       if (!o.palette) return error;
       return std::nullopt;
     }},
    {"--transparent", nullptr, "N",
     [](Options& o, const QString& v) -> std::optional<QString> {
       const std::optional<int> t = WholeNumber(v);
       if (!t || !((*t >= -1 && *t <= 15) || *t == 99)) return NotAllowed("--transparent", v);
       o.transparent = *t;
       return std::nullopt;
     }},
    {"--transparent-colour", nullptr, "RRGGBB",
     [](Options& o, const QString& v) -> std::optional<QString> {
       o.transparentColour = HexColour(v);
       if (!o.transparentColour) return NotAllowed("--transparent-colour", v);
       return std::nullopt;
     }},
    {"--background", nullptr, "RRGGBB",
     [](Options& o, const QString& v) -> std::optional<QString> {
       const std::optional<QRgb> c = HexColour(v);
       if (!c) return NotAllowed("--background", v);
       o.background = *c;
       return std::nullopt;
     }},
    {"--force", nullptr, nullptr,
     [](Options& o, const QString&) -> std::optional<QString> {
       o.force = true;
       return std::nullopt;
     }},
    {"--add", nullptr, nullptr,
     [](Options& o, const QString&) -> std::optional<QString> {
       o.add = true;
       return std::nullopt;
     }},
    {"--sizes", nullptr, "LIST",
     [](Options& o, const QString& v) -> std::optional<QString> {
       o.sizes = ParseIconSetSizes(v);
       if (!o.sizes) return NotAllowed("--sizes", v);
       return std::nullopt;
     }},
    {"--quiet", "-q", nullptr,
     [](Options& o, const QString&) -> std::optional<QString> {
       o.quiet = true;
       return std::nullopt;
     }},
    {"--jobs", "-j", "N",
     [](Options& o, const QString& v) -> std::optional<QString> {
       const std::optional<int> n = WholeNumber(v);
       if (!n || *n < 0 || *n > 1024) return NotAllowed("--jobs", v);
       o.jobs = *n;
       return std::nullopt;
     }},
};

const OptionSpec* FindOption(const QString& name) {
  for (const OptionSpec& spec : kOptions) {
    if (name == QLatin1String(spec.longName) || (spec.shortName && name == QLatin1String(spec.shortName)))
      return &spec;
  }
  return nullptr;
}

// Where an option given for a format does nothing: the line that says so, else nothing.
std::optional<QString> UselessFor(const Options& o, OutputFormat format) {
  const auto useless = [format](const char* option, const char* why) {
    return QStringLiteral("%1 does nothing for --format %2 (%3)")
        .arg(QLatin1String(option), QLatin1String(FormatName(format)), QLatin1String(why));
  };
  if (o.wasGiven("--size") && format != OutputFormat::Bmp) return useless("--size", "it sizes bitmaps");
  if (o.wasGiven("--sizes") && format != OutputFormat::IconSet)
    return useless("--sizes", "it sizes icon sets");
  if (o.add && !IsIconFormat(format)) return useless("--add", "it puts images into icon files");
  // An icon set's 4-bit images take the palette options.
  if (!IsSixteenColour(format) && format != OutputFormat::IconSet) {
    for (const char* option :
         {"--transparent", "--transparent-colour", "--palette", "--threshold", "--quality"}) {
      if (o.wasGiven(option)) return useless(option, "a full colour icon has no palette");
    }
  }
  if (format == OutputFormat::Bmp) {
    for (const char* option : {"--transparent", "--transparent-colour"}) {
      if (o.wasGiven(option)) return useless(option, "a bitmap has no mask");
    }
  }
  return std::nullopt;
}

bool Exists(const QString& name) {
  struct stat st {};
  return ::lstat(LocalPath(name).c_str(), &st) == 0;
}

bool IsFolder(const QString& name) {
  struct stat st {};
  return ::stat(LocalPath(name).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// mkdir -p on the name's bytes; the system's reason when it fails.
std::optional<QString> MakeFolders(const QString& name) {
  const std::string path = LocalPath(name);
  for (std::size_t at = 1; at <= path.size(); ++at) {
    if (at < path.size() && path[at] != '/') continue;
    const std::string part = path.substr(0, at);
    if (::mkdir(part.c_str(), 0777) != 0 && errno != EEXIST)
      return QString::fromLocal8Bit(std::strerror(errno));
  }
  if (!IsFolder(name)) return QString::fromLocal8Bit(std::strerror(ENOTDIR));
  return std::nullopt;
}

// The input's name without its folder and last extension, as a batch names its output.
QString BaseName(const QString& input) {
  QString name = input.mid(input.lastIndexOf(QLatin1Char('/')) + 1);
  const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
  if (dot > 0) name.truncate(dot);
  return name;
}

}  // namespace

std::span<const OptionSpec> OptionTable() {
  return kOptions;
}

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

bool IsSixteenColour(OutputFormat f) {
  return f == OutputFormat::Ico || f == OutputFormat::Ico16 || f == OutputFormat::Bmp ||
         f == OutputFormat::Exchange || f == OutputFormat::Png || f == OutputFormat::Png16;
}

bool IsIconFormat(OutputFormat f) {
  return f == OutputFormat::Ico || f == OutputFormat::Ico16 || f == OutputFormat::Fc32 ||
         f == OutputFormat::Fc64 || f == OutputFormat::Fc16 || f == OutputFormat::IconSet;
}

std::variant<Options, QString> ParseArguments(const QStringList& arguments) {
  Options o;
  for (qsizetype i = 0; i < arguments.size(); ++i) {
    QString arg = arguments[i];
    if (arg == QLatin1String("--")) {
      o.inputs += arguments.mid(i + 1);
      break;
    }
    if (!arg.startsWith(QLatin1Char('-')) || arg == kStandardStream) {
      o.inputs.push_back(arg);
      continue;
    }
    std::optional<QString> inlineValue;
    if (arg.startsWith(QLatin1String("--")) && arg.contains(QLatin1Char('='))) {
      const qsizetype eq = arg.indexOf(QLatin1Char('='));
      inlineValue = arg.mid(eq + 1);
      arg = arg.left(eq);
    }
    const OptionSpec* spec = FindOption(arg);
    if (!spec) return QStringLiteral("unknown option %1").arg(Shown(arg));
    QString value;
    if (!spec->valueName) {
      if (inlineValue) return QStringLiteral("%1 takes no value").arg(arg);
    } else if (inlineValue) {
      value = *inlineValue;
    } else if (i + 1 < arguments.size()) {
      value = arguments[++i];
    } else {
      return QStringLiteral("%1 needs a value").arg(arg);
    }
    if (const std::optional<QString> error = spec->apply(o, value)) return *error;
    o.given.push_back(QLatin1String(spec->longName));
  }
  if (o.help || o.version) return o;
  if (o.inputs.isEmpty()) return QStringLiteral("no input given");
  if (o.output.isEmpty()) return QStringLiteral("no output given (-o)");
  if (o.wasGiven("--fit") && o.wasGiven("--crop"))
    return QStringLiteral("--fit and --crop exclude each other");
  if (o.palette && o.bestQuality)
    return QStringLiteral("--quality best refines a reduced palette, not --palette");
  if (o.palette && o.wasGiven("--threshold"))
    return QStringLiteral("--threshold chooses reduced colours; --palette gives them");
  if (o.transparent && o.transparentColour)
    return QStringLiteral("--transparent and --transparent-colour exclude each other");
  if (o.inputs.count(kStandardStream) > 1) return QStringLiteral("standard input (-) can be read only once");
  return o;
}

std::variant<std::vector<Job>, QString> PlanJobs(const Options& options) {
  const bool toStdout = options.output == kStandardStream;
  const bool intoFolder = !toStdout && (options.inputs.size() > 1 || IsFolder(options.output) ||
                                        options.output.endsWith(QLatin1Char('/')));
  std::vector<Job> jobs;
  if (!intoFolder) {
    if (toStdout && options.inputs.size() > 1) return QStringLiteral("-o - writes one input only");
    const std::optional<OutputFormat> format =
        options.format ? options.format
                       : (toStdout ? std::optional(OutputFormat::Ico) : FormatFromExtension(options.output));
    if (!format) {
      return QStringLiteral("%1: the extension names no format; give --format").arg(Shown(options.output));
    }
    if (const std::optional<QString> useless = UselessFor(options, *format)) return *useless;
    jobs.push_back({options.inputs.first(), options.output, *format});
    return jobs;
  }
  if (Exists(options.output) && !IsFolder(options.output)) {
    return QStringLiteral("%1 is not a folder, and several inputs need one").arg(Shown(options.output));
  }
  const OutputFormat format = options.format.value_or(OutputFormat::Ico);
  if (const std::optional<QString> useless = UselessFor(options, format)) return *useless;
  if (options.inputs.contains(kStandardStream))
    return QStringLiteral("standard input (-) needs an output file, not a folder");
  // Inputs that all name nothing (a pattern the shell left as it was) make no folder.
  if (std::any_of(options.inputs.begin(), options.inputs.end(), Exists)) {
    if (const std::optional<QString> error = MakeFolders(options.output))
      return QStringLiteral("cannot make the folder %1: %2").arg(Shown(options.output), *error);
  }
  QString folder = options.output;
  if (!folder.endsWith(QLatin1Char('/'))) folder += QLatin1Char('/');
  for (const QString& input : options.inputs)
    jobs.push_back({input, folder + BaseName(input) + FormatExtension(format), format});
  return jobs;
}

bool Batch::beginWrite() {
  const std::lock_guard<std::mutex> hold(lock_);
  if (stopping_) return false;
  ++writing_;
  return true;
}

void Batch::endWrite(const std::string& writtenPath) {
  {
    const std::lock_guard<std::mutex> hold(lock_);
    --writing_;
    // One file per folder is enough to find it again; a batch writes thousands into one.
    if (!writtenPath.empty())
      written_.try_emplace(FolderOf(LinkTarget(writtenPath).value_or(writtenPath)), writtenPath);
  }
  idle_.notify_all();
}

void Batch::stop() {
  std::unique_lock<std::mutex> hold(lock_);
  stopping_ = true;
  idle_.wait(hold, [this] { return writing_ == 0; });
}

bool Batch::syncFolders() {
  std::map<std::string, std::string> folders;
  {
    const std::lock_guard<std::mutex> hold(lock_);
    folders.swap(written_);
  }
  bool ok = true;
  for (const auto& [folder, file] : folders) ok = SyncFolderOf(file) && ok;
  return ok;
}

// ---------------------------------------------------------------------------------------------------

namespace {

using Bytes = std::vector<std::uint8_t>;

// A picture read as 16 colours: the editor's grid with the file's palette and, for an icon or an
// exchange file, its mask.
struct IndexedSource {
  Palette palette{};
  PixelArray pixels{};
  std::array<std::uint8_t, kMaskSize> mask{};
  bool hasMask = false;
};

// A picture in full colour: a photo opened by the picture loader, or a full colour icon (its masked
// pixels with alpha 0, their colours kept).
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

QString SystemError(int code) {
  return QString::fromLocal8Bit(std::strerror(code));
}

QImage IconImage(const FullColourIcon& icon) {
  const bool masked = std::any_of(icon.mask.begin(), icon.mask.end(), [](std::uint8_t b) { return b != 0; });
  QImage image(icon.size, icon.size, masked ? QImage::Format_ARGB32 : QImage::Format_RGB32);
  const int maskRow = icon.size / 8;
  for (int y = 0; y < icon.size; ++y) {
    const int r = icon.size - 1 - y;  // stored bottom row first
    for (int x = 0; x < icon.size; ++x) {
      const std::size_t at = 3 * static_cast<std::size_t>(r * icon.size + x);
      const bool clear = (icon.mask[static_cast<std::size_t>(r * maskRow + x / 8)] & (0x80 >> (x % 8))) != 0;
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

// An input opened once, by the bytes of its name. A regular file is read through its descriptor's
// /proc name from then on, so a name in any encoding opens and the file checked is the file read; a pipe,
// a FIFO or standard input is read whole at once.
struct Input {
  int fd = -1;
  QString path;     // what the readers open: /proc/self/fd/N, or the name itself
  QByteArray data;  // the whole content of a stream
  bool stream = false;
  Input() = default;
  Input(const Input&) = delete;
  Input& operator=(const Input&) = delete;
  ~Input() {
    if (fd >= 0) ::close(fd);
  }
};

// Reads a stream to its end. A FIFO nobody writes to reads as empty at once instead of waiting for a
// writer; one with a writer is read as long as the writer writes.
std::optional<QString> ReadStream(int fd, bool owned, QByteArray& data) {
  if (owned) {
    char probe[65536];
    const ssize_t n = ::read(fd, probe, sizeof probe);
    if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) return SystemError(errno);
    if (n == 0) return QStringLiteral("nothing to read (empty, or a FIFO that nobody writes to)");
    if (n > 0) data.append(probe, n);
    // A writer is there: wait for what it writes.
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  }
  char chunk[65536];
  for (;;) {
    const ssize_t n = ::read(fd, chunk, sizeof chunk);
    if (n < 0) {
      if (errno == EINTR) continue;
      return SystemError(errno);
    }
    if (n == 0) break;
    if (data.size() + n > kMaxStreamBytes)
      return QStringLiteral("more than 256 MiB, the most a pipe is read to");
    data.append(chunk, n);
  }
  if (data.isEmpty()) return QStringLiteral("nothing to read");
  return std::nullopt;
}

std::optional<QString> OpenInput(const QString& name, Input& in) {
  if (name == kStandardStream) {
    if (::isatty(STDIN_FILENO)) return QStringLiteral("standard input is a terminal, not a picture");
    in.stream = true;
    in.path = name;
    return ReadStream(STDIN_FILENO, false, in.data);
  }
  in.fd = ::open(LocalPath(name).c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
  if (in.fd < 0) return SystemError(errno);
  struct stat st {};
  if (::fstat(in.fd, &st) != 0) return SystemError(errno);
  if (S_ISDIR(st.st_mode)) return SystemError(EISDIR);
  if (S_ISREG(st.st_mode)) {
    ::fcntl(in.fd, F_SETFL, ::fcntl(in.fd, F_GETFL) & ~O_NONBLOCK);
    const QString proc = QStringLiteral("/proc/self/fd/%1").arg(in.fd);
    in.path = QFileInfo::exists(proc) ? proc : name;
    return std::nullopt;
  }
  if (::isatty(in.fd)) return QStringLiteral("a terminal, not a picture");
  in.stream = true;
  in.path = name;
  return ReadStream(in.fd, true, in.data);
}

// The first `length` bytes of the input (all of a shorter one).
std::optional<Bytes> InputStart(const Input& in, std::size_t length, QString* reason) {
  if (in.stream) {
    const auto n =
        static_cast<std::size_t>(std::min<qsizetype>(in.data.size(), static_cast<qsizetype>(length)));
    return Bytes(in.data.constData(), in.data.constData() + n);
  }
  std::string error;
  std::optional<Bytes> bytes = ReadFileStart(LocalPath(in.path), length, &error);
  if (!bytes) *reason = QString::fromStdString(error);
  return bytes;
}

// The whole input, for the formats read whole (icons, exchange files).
std::optional<Bytes> InputWhole(const Input& in, QString* reason) {
  if (in.stream) return InputStart(in, static_cast<std::size_t>(in.data.size()), reason);
  std::string error;
  std::optional<Bytes> bytes = ReadWholeFile(LocalPath(in.path), &error);
  if (!bytes) {
    *reason = QString::fromStdString(error);
    struct stat st {};
    if (::stat(LocalPath(in.path).c_str(), &st) == 0 && static_cast<std::uint64_t>(st.st_size) > kMaxReadSize)
      *reason = QStringLiteral("the file is larger than %1 MiB, the most an icon file is read to")
                    .arg(kMaxReadSize / (1024 * 1024));
  }
  return bytes;
}

Source ReadPhoto(const Input& in, int imageNumber) {
  ColourSource source;
  const PictureStatus status = in.stream ? LoadPictureData(in.data, in.path, source.photo, imageNumber)
                                         : LoadPictureFile(in.path, source.photo, imageNumber);
  switch (status) {
    case PictureStatus::Ok:
      return source;
    case PictureStatus::TooLarge:
      return Failure{QStringLiteral("the picture is too large: at most %1 pixels a side and %2 million "
                                    "pixels are read, and %3 million for formats other than JPEG")
                         .arg(kMaxPictureEdge)
                         .arg(kMaxPicturePixels / 1'000'000)
                         .arg(kMaxDecodedPixels / 1'000'000)};
    case PictureStatus::Unreadable:
      break;
  }
  return Failure{QStringLiteral("not an icon, bitmap or photo this program reads")};
}

// The edge of the square an output is made at, by which an icon's image is chosen.
int OutputEdge(const Options& o, OutputFormat format) {
  switch (format) {
    case OutputFormat::Ico16:
    case OutputFormat::Png16:
      return 16;
    case OutputFormat::Bmp:
      return std::max(o.bitmapWidth, o.bitmapHeight);
    case OutputFormat::Fc64:
      return 64;
    default:
      return 32;
  }
}

Source ReadIcon(const Options& o, const Job& job, const Input& in) {
  QString reason;
  const std::optional<Bytes> bytes = InputWhole(in, &reason);
  if (!bytes) return Failure{reason};
  auto headers = std::make_unique<SharedState>();
  IndexedSource indexed;
  indexed.hasMask = true;
  std::array<std::uint8_t, kPackedSize> packed{};
  const IconReadTargets targets{indexed.palette, packed, indexed.mask, *headers};
  const bool hasSixteen = ParseIcon32(*bytes, targets) == IconReadStatus::Ok;
  // 16-colour outputs take the 32 x 32 16-colour image, as the editor opens it; other outputs the image
  // that fits them best.
  const std::vector<IconImageInfo> images = ListIconImages(*bytes);
  const int chosen = ChooseIconImage(images, OutputEdge(o, job.format));
  const IconImageInfo* image = chosen >= 0 ? &images[static_cast<std::size_t>(chosen)] : nullptr;
  if (hasSixteen && (IsSixteenColour(job.format) || !image ||
                     (image->bitCount == 4 && image->width == kIconSize && image->height == kIconSize))) {
    UnpackPixels32(packed, indexed.pixels);
    return indexed;
  }
  if (!image || image->bitCount == 24) {
    if (std::optional<FullColourIcon> full = ReadFullColourIcon(*bytes, *headers)) {
      if (!image || full->size == image->width) {
        ColourSource source;
        source.image = IconImage(*full);
        source.icon = std::move(full);
        return source;
      }
    }
  }
  return ReadPhoto(in, std::max(chosen, 0));
}

// The first bytes decide the reader: an icon directory, a bitmap, or else whatever the picture loader
// recognises. Icons and bitmaps that are not 16-colour ones go to the full colour reader and the loader.
Source ReadSource(const Options& o, const Job& job, const Input& in) {
  QString reason;
  const std::optional<Bytes> head = InputStart(in, 4, &reason);
  if (!head) return Failure{reason};
  const auto startsWith = [&head](std::initializer_list<std::uint8_t> signature) {
    return head->size() >= signature.size() && std::equal(signature.begin(), signature.end(), head->begin());
  };
  const bool icon = startsWith({0, 0, 1, 0});
  const bool bitmap = startsWith({'B', 'M'});
  // An exchange file has no signature; its name says what it is, as it does when it is sent.
  if (!icon && !bitmap && job.input.endsWith(QLatin1String(".dat"), Qt::CaseInsensitive)) {
    const std::optional<Bytes> bytes = InputWhole(in, &reason);
    if (!bytes) return Failure{reason};
    const std::optional<ExchangeImage> exchange = ReadExchangeFile(*bytes);
    if (!exchange) return Failure{QStringLiteral("not an exchange file")};
    IndexedSource indexed;
    indexed.palette = exchange->palette;
    indexed.mask = exchange->mask;
    indexed.hasMask = true;
    if (exchange->size == 16) {
      UnpackPixels16(std::span(exchange->packed).first(128), indexed.pixels);
    } else {
      UnpackPixels32(exchange->packed, indexed.pixels);
    }
    return indexed;
  }
  if (icon) return ReadIcon(o, job, in);
  if (bitmap) {
    // Only a small bitmap can be a 16-colour one; a large one is a photo for the decoder.
    const std::optional<Bytes> bytes = InputStart(in, kBitmapReadLength, &reason);
    if (!bytes) return Failure{reason};
    auto headers = std::make_unique<SharedState>();
    IndexedSource indexed;
    std::array<std::uint8_t, kPackedSize> packed{};
    if (ParseBitmap16(*bytes, {indexed.palette, packed, indexed.mask, *headers}) == IconReadStatus::Ok) {
      UnpackPixels32(packed, indexed.pixels);
      return indexed;
    }
  }
  return ReadPhoto(in, 0);
}

// A picture of width x height brought from the source by fitting or cutting, rows from the top, with
// straight (not premultiplied) alpha; what lies outside the source is transparent. `squareOrigin` gives
// the cut's left or top for a pointer position. Nothing when the cut misses the picture or the source
// cannot be decoded at the size it is needed. `alpha` tells whether the source has transparency.
std::optional<QImage> Place(ColourSource& source, const std::variant<Fit, Crop>& placement, int width,
                            int height, int (*squareOrigin)(int pointer, int edge, int otherEdge),
                            bool* alpha, QString* reason) {
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
  int left = 0;
  int top = 0;
  if (std::holds_alternative<Fit>(placement)) {
    left = -((width - shown.width()) / 2);
    top = -((height - shown.height()) / 2);
  } else {
    const Crop& c = std::get<Crop>(placement);
    left = squareOrigin(c.x, width, height);
    top = squareOrigin(c.y, height, width);
    if (left >= shown.width() || left + width <= 0 || top >= shown.height() || top + height <= 0) {
      *reason =
          QStringLiteral("the --crop square lies wholly outside the photo, which is %1 x %2 at that scale")
              .arg(shown.width())
              .arg(shown.height());
      return std::nullopt;
    }
  }
  if (std::int64_t{shown.width()} * shown.height() > kMaxDecodedPixels) {
    *reason = QStringLiteral("the photo shown at that scale is too large");
    return std::nullopt;
  }
  QImage picture;
  if (!source.photo.isNull()) {
    if (!source.photo.decodeFor(shown)) {
      *reason = source.photo.decodeError().isEmpty() ? QStringLiteral("the picture cannot be decoded")
                                                     : source.photo.decodeError();
      return std::nullopt;
    }
    picture = source.photo.scaled(shown);
  } else {
    picture = source.image.size() == shown
                  ? source.image
                  : source.image.scaled(shown, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
  }
  *alpha = picture.hasAlphaChannel();
  const bool premultiplied = picture.format() == QImage::Format_ARGB32_Premultiplied;
  QImage out(width, height, QImage::Format_ARGB32);
  out.fill(Qt::transparent);
  for (int y = 0; y < height; ++y) {
    const int sy = top + y;
    if (sy < 0 || sy >= picture.height()) continue;
    const auto* line = reinterpret_cast<const QRgb*>(picture.constScanLine(sy));
    auto* to = reinterpret_cast<QRgb*>(out.scanLine(y));
    for (int x = 0; x < width; ++x) {
      const int sx = left + x;
      if (sx < 0 || sx >= picture.width()) continue;
      to[x] = !*alpha ? (line[sx] | 0xFF000000u) : premultiplied ? qUnpremultiply(line[sx]) : line[sx];
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

// A placed pixel over the background: opaque pixels exactly as they are.
PaletteEntry OverBackground(QRgb c, QRgb background) {
  const int a = qAlpha(c);
  const auto mix = [a](int over, int under) {
    return static_cast<std::uint8_t>((over * a + under * (255 - a) + 127) / 255);
  };
  return PaletteEntry{mix(qBlue(c), qBlue(background)), mix(qGreen(c), qGreen(background)),
                      mix(qRed(c), qRed(background)), 0};
}

bool IsClear(QRgb c) {
  return qAlpha(c) < 128;
}

// The nearest palette index of every pixel among all entries but `except` (-1: all); the lowest index
// among equally near ones.
std::vector<std::uint8_t> IndicesWithout(std::span<const PaletteEntry> pixels, const Palette& palette,
                                         int except) {
  if (except < 0) return NearestIndices(pixels, palette);
  Palette others = palette;
  // The entry before (or after, for 0) stands in for it: equally near, it wins by its lower index.
  const std::size_t stand = except > 0 ? 0 : 1;
  others[static_cast<std::size_t>(except)] = palette[stand];
  std::vector<std::uint8_t> indices = NearestIndices(pixels, others);
  if (except == 0) {
    for (std::uint8_t& i : indices) {
      if (i == 0) i = 1;
    }
  }
  return indices;
}

int NearestEntry(const Palette& palette, QRgb colour) {
  const PaletteEntry c{static_cast<std::uint8_t>(qBlue(colour)), static_cast<std::uint8_t>(qGreen(colour)),
                       static_cast<std::uint8_t>(qRed(colour)), 0};
  return NearestIndices(std::span(&c, 1), palette).front();
}

// The 16-colour picture in the editor's grid, as the reduction window hands it over: reduced (or mapped
// onto the fixed palette) and placed in the lower-left corner, with the mask it is saved with.
struct SixteenColour {
  Palette palette{};
  PixelArray pixels{};
  std::array<std::uint8_t, kMaskSize> mask{};
  QString note;
};

void MaskFromIndex(SixteenColour& out, int index) {
  std::array<std::uint8_t, kPackedSize> packed{};
  PackPixels32(std::span(out.pixels).first(kPixelCount), packed);
  BuildMaskFromTransparent(packed, index, index < 0, out.mask);
}

std::optional<SixteenColour> MakeSixteenColour(const Options& o, const Job& job, Source& source,
                                               QString* reason) {
  SixteenColour out;
  if (auto* indexed = std::get_if<IndexedSource>(&source)) {
    out.palette = indexed->palette;
    out.pixels = indexed->pixels;
    if (o.palette) {
      // Each pixel takes the fixed palette's colour nearest to its own.
      const std::vector<std::uint8_t> map = NearestIndices(indexed->palette, *o.palette);
      for (int i = 0; i < kPixelCount; ++i)
        out.pixels[static_cast<std::size_t>(i)] = map[out.pixels[static_cast<std::size_t>(i)] & 15];
      out.palette = *o.palette;
    }
    if (o.transparentColour) {
      MaskFromIndex(out, NearestEntry(out.palette, *o.transparentColour));
    } else if (o.transparent && *o.transparent != 99) {
      MaskFromIndex(out, *o.transparent);
    } else if (indexed->hasMask) {
      out.mask = indexed->mask;  // the icon's own, by default and for 99
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
  bool alpha = false;
  const std::optional<QImage> placed = Place(colour, o.placement, w, h, SquareOrigin, &alpha, reason);
  if (!placed) return std::nullopt;
  // The mask comes from the alpha by default and for 99; a palette number or colour, or -1, flatten the
  // picture over the background first.
  const bool alphaMask = alpha && !o.transparentColour && (!o.transparent || *o.transparent == 99) &&
                         job.format != OutputFormat::Bmp;
  std::vector<PaletteEntry> pixels;  // every pixel, rows from the top
  std::vector<PaletteEntry> opaque;  // those the reduction serves
  std::vector<char> clear;
  pixels.reserve(static_cast<std::size_t>(w * h));
  for (int y = 0; y < h; ++y) {
    const auto* line = reinterpret_cast<const QRgb*>(placed->constScanLine(y));
    for (int x = 0; x < w; ++x) {
      pixels.push_back(OverBackground(line[x], o.background));
      clear.push_back(alphaMask && IsClear(line[x]));
      if (!clear.back()) opaque.push_back(pixels.back());
    }
  }
  // With transparent pixels one entry is theirs alone: the last of a reduced palette, the one nearest the
  // background in a fixed one.
  const bool anyClear = opaque.size() < pixels.size();
  int clearIndex = -1;
  if (o.palette) {
    out.palette = *o.palette;
    if (anyClear) clearIndex = NearestEntry(out.palette, o.background);
  } else {
    const PaletteChoice choice = ReducePalette(opaque, o.threshold);
    out.palette = choice.palette;
    if (choice.end == PaletteChoiceEnd::TooManyRejections) {
      out.note =
          QStringLiteral("only %1 %2 far enough apart at threshold %3; a smaller --threshold gives more")
              .arg(choice.accepted)
              .arg(choice.accepted == 1 ? QStringLiteral("colour is") : QStringLiteral("colours are"))
              .arg(o.threshold);
    }
    const int entries = anyClear ? kLevelCount - 1 : kLevelCount;
    // The threshold chose the starting colours; refining may then bring two as close as the picture
    // wants, which is what lets a smooth gradient keep its steps small.
    if (o.bestQuality) out.palette = RefinePalette(opaque, out.palette, 0, entries);
    if (anyClear) {
      clearIndex = kLevelCount - 1;
      out.palette[static_cast<std::size_t>(clearIndex)] = OverBackground(o.background, o.background);
    }
  }
  std::vector<std::uint8_t> indices = IndicesWithout(pixels, out.palette, clearIndex);
  for (std::size_t i = 0; i < indices.size(); ++i) {
    if (clear[i]) indices[i] = static_cast<std::uint8_t>(clearIndex);
  }
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      out.pixels[static_cast<std::size_t>((h - 1 - y) * kIconSize + x)] =
          indices[static_cast<std::size_t>(y * w + x)];
    }
  }
  if (o.transparentColour) {
    MaskFromIndex(out, NearestEntry(out.palette, *o.transparentColour));
  } else if (o.transparent && *o.transparent != 99) {
    MaskFromIndex(out, *o.transparent);
  } else if (anyClear) {
    // Only the pixels that were clear: an opaque pixel never takes the transparent entry, but the area
    // outside a bitmap's width stays unmasked.
    for (int y = 0; y < h; ++y) {
      for (int x = 0; x < w; ++x) {
        if (!clear[static_cast<std::size_t>(y * w + x)]) continue;
        const int r = h - 1 - y;  // storage row
        out.mask[static_cast<std::size_t>(r * 4 + x / 8)] |= static_cast<std::uint8_t>(0x80 >> (x % 8));
      }
    }
  }
  return out;
}

Bytes WriteSixteenColour(const Options& o, const Job& job, SixteenColour& p) {
  std::array<std::uint8_t, kPackedSize> packed{};
  PackPixels32(std::span(p.pixels).first(kPixelCount), packed);
  switch (job.format) {
    case OutputFormat::Ico:
      return BuildIcon32(p.palette, packed, p.mask);
    case OutputFormat::Ico16: {
      // The lower-left quarter: storage rows 0 to 15, the first two bytes of each mask row.
      Bytes icon = BuildIcon16(std::span(p.pixels).first(kPixelCount), p.palette, -1);
      constexpr std::size_t kAndAt = 126 + 128;
      for (std::size_t r = 0; r < 16 && !icon.empty(); ++r) {
        icon[kAndAt + 4 * r] = p.mask[4 * r];
        icon[kAndAt + 4 * r + 1] = p.mask[4 * r + 1];
      }
      return icon;
    }
    case OutputFormat::Bmp:
      return BuildBitmapFile(packed, o.bitmapWidth, o.bitmapHeight, p.palette);
    case OutputFormat::Exchange:
      return BuildExchangeFile(p.palette, packed, p.mask);
    case OutputFormat::Png:
    case OutputFormat::Png16: {
      // A PNG's transparency belongs to a palette entry: the one exactly the masked pixels have.
      const int edge = job.format == OutputFormat::Png ? 32 : 16;
      const auto pixels = std::span(p.pixels).first(kPixelCount);
      return BuildIconPng(pixels, p.palette, TransparentIndexOfMask(pixels, p.mask, edge), edge);
    }
    default:
      return {};
  }
}

// Full colour icons from the 32 x 32 square the reduction window saves (fc32, and every second pixel of it
// for fc16) or the 64 x 64 one of the photo window. A picture with transparency is masked where its alpha
// is below half (a full colour icon's own mask so comes back as it was); fc16 has no mask, and there, as
// everywhere a pixel is not masked, transparency lies over the background.
std::optional<Bytes> MakeFullColour(const Options& o, const Job& job, Source& source, QString* reason) {
  ColourSource colour;
  if (auto* indexed = std::get_if<IndexedSource>(&source)) {
    colour.image = IndexedImage(*indexed);
  } else {
    colour = std::move(std::get<ColourSource>(source));
  }
  const int edge = job.format == OutputFormat::Fc64 ? 64 : 32;
  bool alpha = false;
  const std::optional<QImage> placed = Place(colour, o.placement, edge, edge, SquareOrigin, &alpha, reason);
  if (!placed) return std::nullopt;
  const bool masked = alpha && job.format != OutputFormat::Fc16;
  Bytes pixels;
  pixels.reserve(static_cast<std::size_t>(3 * edge * edge));
  Bytes mask(static_cast<std::size_t>(edge * edge / 8), 0);
  for (int r = 0; r < edge; ++r) {
    const auto* line = reinterpret_cast<const QRgb*>(placed->constScanLine(edge - 1 - r));
    for (int x = 0; x < edge; ++x) {
      // A masked pixel keeps the colour it has under the mask.
      const bool clear = masked && IsClear(line[x]);
      const PaletteEntry e = clear ? PaletteEntry{static_cast<std::uint8_t>(qBlue(line[x])),
                                                  static_cast<std::uint8_t>(qGreen(line[x])),
                                                  static_cast<std::uint8_t>(qRed(line[x])), 0}
                                   : OverBackground(line[x], o.background);
      pixels.push_back(e.blue);
      pixels.push_back(e.green);
      pixels.push_back(e.red);
      if (clear)
        mask[static_cast<std::size_t>(r * edge / 8 + x / 8)] |= static_cast<std::uint8_t>(0x80 >> (x % 8));
    }
  }
  if (job.format == OutputFormat::Fc16) return BuildFullColourIcon16(pixels);
  return BuildFullColourIcon(pixels, mask, edge);
}

// The icon set of the source, each 4-bit image reduced at its own size as ico16 and ico reduce it, and
// each full colour one placed at its edge: masked where a picture with alpha is clear, else over the
// background.
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
  makers.colour = [&](int edge, QString* reason) -> std::optional<QImage> {
    bool alpha = false;
    std::optional<QImage> placed = Place(colour, o.placement, edge, edge, SquareOrigin, &alpha, reason);
    if (placed && !alpha) {
      for (int y = 0; y < edge; ++y) {
        auto* line = reinterpret_cast<QRgb*>(placed->scanLine(y));
        for (int x = 0; x < edge; ++x) {
          const PaletteEntry e = OverBackground(line[x], o.background);
          line[x] = qRgb(e.red, e.green, e.blue);
        }
      }
    }
    return placed;
  };
  return MakeIconSet(o.sizes.value_or(kIconSetSizes), makers);
}

bool WriteAll(int fd, const Bytes& bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<std::size_t>(n);
  }
  return true;
}

}  // namespace

Outcome ConvertFile(const Options& options, const Job& job, Batch* batch) {
  const bool toStdout = job.output == kStandardStream;
  const std::string local = LocalPath(job.output);
  if (toStdout && options.add) return {false, QStringLiteral("--add puts images into a file; give -o FILE")};
  if (!toStdout && !options.force && !options.add && Exists(job.output)) {
    return {false, QStringLiteral("%1 exists (--force replaces it)").arg(Shown(job.output))};
  }
  if (toStdout && ::isatty(STDOUT_FILENO))
    return {false, QStringLiteral("standard output is a terminal; give -o FILE")};
  // What the decoders say about this file goes into its own line.
  DiagnosticsCapture said;
  // Open for as long as the photo may be decoded again.
  Input in;
  Source source = Failure{};
  if (const std::optional<QString> failure = OpenInput(job.input, in)) {
    source = Failure{*failure};
  } else {
    source = ReadSource(options, job, in);
  }
  if (const auto* failure = std::get_if<Failure>(&source)) {
    return {false, said.damaged() ? QStringLiteral("damaged: %1").arg(said.complaint()) : failure->reason};
  }

  QString reason;
  QString note;
  Bytes bytes;
  if (job.format == OutputFormat::IconSet) {
    std::variant<Bytes, QString> made = MakeIconSetOf(options, job, source);
    if (auto* failure = std::get_if<QString>(&made)) {
      reason = *failure;
    } else {
      bytes = std::move(std::get<Bytes>(made));
    }
  } else if (IsSixteenColour(job.format)) {
    std::optional<SixteenColour> picture = MakeSixteenColour(options, job, source, &reason);
    if (picture) {
      bytes = WriteSixteenColour(options, job, *picture);
      note = picture->note;
    }
  } else if (std::optional<Bytes> made = MakeFullColour(options, job, source, &reason)) {
    bytes = std::move(*made);
  }
  // A decoder that filled in what a damaged file lacks (a JPEG cut short comes out grey) still reports
  // success; what it said makes it a failure.
  if (said.damaged()) return {false, QStringLiteral("damaged: %1").arg(said.complaint())};
  if (!reason.isEmpty()) return {false, reason};
  if (bytes.empty()) return {false, QStringLiteral("nothing could be made of it")};

  if (batch && !batch->beginWrite()) return {false, QStringLiteral("interrupted")};
  bool written = false;
  std::string error;
  if (options.add) {
    const std::optional<QString> failure = AddToIconFile(job.output, bytes, options.force);
    if (batch) batch->endWrite(failure ? std::string() : local);
    if (failure) return {false, *failure};
    return {true, note};
  }
  if (toStdout) {
    written = WriteAll(STDOUT_FILENO, bytes);
    if (!written) error = std::strerror(errno);
  } else {
    written = WriteFileAtomically(local, bytes, &error, nullptr, batch ? FolderSync::Later : FolderSync::Now);
  }
  if (batch) batch->endWrite(written && !toStdout ? local : std::string());
  if (!written) {
    return {false,
            QStringLiteral("%1: %2").arg(toStdout ? QStringLiteral("standard output") : Shown(job.output),
                                         QString::fromLocal8Bit(error.c_str()))};
  }
  return {true, note};
}

}  // namespace pf::convert
