// pictoforge-convert: what the windows make, made from the command line, one file or many at once.
//
// Reading the command line, and converting one input to one output. The conversion runs on any thread: it
// shares nothing but the options, which it only reads, and the batch, which locks what it keeps.
#pragma once

#include <QRgb>
#include <QString>
#include <QStringList>
#include <condition_variable>
#include <map>
#include <mutex>
#include <optional>
#include <span>
#include <string>
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
bool IsSixteenColour(OutputFormat format);
// The formats that make an icon file, which --add can put into one that is there.
bool IsIconFormat(OutputFormat format);

// How a picture is brought to the output's size.
struct Fit {};
struct Crop {
  int x = 0;
  int y = 0;
  double scale = 1.0;
};

// "-" as an input or output: standard input or output.
inline const QString kStandardStream = QStringLiteral("-");

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
  // The palette number marked transparent in a 16-colour output: -1 none, 99 the input's own mask or
  // alpha. Nothing: the input's own mask or alpha where it has one, else none.
  std::optional<int> transparent;
  // The palette colour nearest to this one is marked transparent instead.
  std::optional<QRgb> transparentColour;
  // What transparent parts and the bands of --fit are filled with when no mask keeps them.
  QRgb background = qRgb(0, 0, 0);
  bool bestQuality = false;
  bool force = false;
  // --format icon-set: the sizes it holds (nothing: 16, 32, 48 and 256).
  std::optional<std::vector<int>> sizes;
  // Put the output's images into the icon file that is there, keeping its others.
  bool add = false;
  bool quiet = false;
  int jobs = 0;  // 0: one per core
  bool help = false;
  bool version = false;
  // The long names of the options the command line gave, for the checks that need to know.
  QStringList given;
  bool wasGiven(const char* longName) const { return given.contains(QLatin1String(longName)); }
};

// One row of the option table: its names, the name of its value (nothing for a flag, which then takes no
// "=value" either), and what it does to the options; a failure is the line that says what is wrong.
struct OptionSpec {
  const char* longName;   // "--output"
  const char* shortName;  // "-o", or nullptr
  const char* valueName;  // "PATH", or nullptr for a flag
  std::optional<QString> (*apply)(Options& options, const QString& value);
};
std::span<const OptionSpec> OptionTable();

// The options, or the one line that says what is wrong with the command line.
std::variant<Options, QString> ParseArguments(const QStringList& arguments);

extern const char* const kUsage;

// One input and where its output goes ("-" for standard output).
struct Job {
  QString input;
  QString output;
  OutputFormat format = OutputFormat::Ico;
};

// The jobs of a command line: one output file, or each input into the output folder under its own name
// with the format's extension. A usage error (a folder that cannot be made, an output of unknown kind, an
// option that does nothing for the format) comes back as its line. The folder is made only when some
// input exists.
std::variant<std::vector<Job>, QString> PlanJobs(const Options& options);

struct Outcome {
  bool ok = false;
  // Why it failed, or a note on a success (a threshold that left colours out).
  QString message;
};

// What the jobs of one run share: a gate that lets an interrupted run end with no write half done, and
// the folders whose renames are made lasting once, at the end, instead of once a file.
class Batch {
 public:
  // False once the run is stopping; the write is then not begun. Otherwise endWrite must follow.
  bool beginWrite();
  void endWrite(const std::string& writtenPath);
  // No write begins after this; returns once those under way are done.
  void stop();
  // Syncs every folder written to; false when one could not be.
  bool syncFolders();

 private:
  std::mutex lock_;
  std::condition_variable idle_;
  int writing_ = 0;
  bool stopping_ = false;
  std::map<std::string, std::string> written_;  // folder: a file written into it
};

// Reads the input, makes the picture and writes it with the atomic writer (or to standard output). An
// existing output is replaced only when the options say --force. Without a batch each write syncs its
// folder itself.
Outcome ConvertFile(const Options& options, const Job& job, Batch* batch = nullptr);

}  // namespace pf::convert
