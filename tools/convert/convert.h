// pictoforge-convert: what the windows make, made from the command line, one file or many at once.
//
// Reading the command line, and converting one input to one output. The conversion runs on any thread: it
// shares nothing but the options, which it only reads.
#pragma once

#include <QString>
#include <QStringList>
#include <optional>
#include <variant>
#include <vector>

#include "model/colour.h"

namespace pf::convert {

enum class OutputFormat { Ico, Ico16, Bmp, Fc32, Fc64, Fc16, Exchange, IconSet, Png, Png16 };

// "ico", "ico16", ... and back.
const char* FormatName(OutputFormat format);
std::optional<OutputFormat> FormatFromName(const QString& name);
// The format an output's extension means: .ico an icon, .bmp a bitmap, .dat an exchange file.
std::optional<OutputFormat> FormatFromExtension(const QString& path);
// The extension each output of a batch takes.
QString FormatExtension(OutputFormat format);

// How a picture is brought to the output's size.
struct Fit {};
struct Crop {
  int x = 0;
  int y = 0;
  double scale = 1.0;
};

struct Options {
  QStringList inputs;
  QString output;
  std::optional<OutputFormat> format;  // nothing: from the output's extension, else ico
  int bitmapWidth = 32;
  int bitmapHeight = 32;
  std::variant<Fit, Crop> placement = Fit{};
  int threshold = 10;
  // A fixed palette every 16-colour output is mapped onto, instead of one reduced for each picture.
  std::optional<Palette> palette;
  // The palette number marked transparent in a 16-colour output: -1 none, 99 the input icon's own mask.
  int transparent = 0;
  bool bestQuality = false;
  bool force = false;
  // --format icon-set: the sizes it holds (nothing: 16, 32, 48 and 256).
  std::optional<std::vector<int>> sizes;
  // Put the output's images into the icon file that is there, keeping its others.
  bool add = false;
  int jobs = 0;  // 0: one per core
  bool help = false;
  bool version = false;
};

// The options, or the one line that says what is wrong with the command line.
std::variant<Options, QString> ParseArguments(const QStringList& arguments);

extern const char* const kUsage;

// One input and where its output goes.
struct Job {
  QString input;
  QString output;
  OutputFormat format = OutputFormat::Ico;
};

// The jobs of a command line: one output file, or each input into the output folder under its own name
// with the format's extension. A usage error (a folder that cannot be made, an output of unknown kind)
// comes back as its line.
std::variant<std::vector<Job>, QString> PlanJobs(const Options& options);

struct Outcome {
  bool ok = false;
  // Why it failed, or a note on a success (a threshold that left colours out).
  QString message;
};

// Reads the input, makes the picture and writes it with the atomic writer. An existing output is replaced
// only when the options say --force.
Outcome ConvertFile(const Options& options, const Job& job);

}  // namespace pf::convert
