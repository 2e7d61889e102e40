#include "platform/picture_loader.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QImageWriter>
#include <QTemporaryDir>
#include <cstdlib>
#include <string>

namespace pf {
namespace {

class PictureLoader : public ::testing::Test {
 protected:
  QString path(const char* name) const { return folder.filePath(QString::fromLatin1(name)); }

  // A smooth gradient: red across, green down.
  static QImage Gradient(int w, int h) {
    QImage image(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y) {
      for (int x = 0; x < w; ++x) image.setPixel(x, y, qRgb(x * 255 / w, y * 255 / h, 96));
    }
    return image;
  }
  QString save(const char* name, const QImage& image, const char* format) {
    const QString p = path(name);
    EXPECT_TRUE(image.save(p, format, 95)) << name;
    return p;
  }
  static QByteArray Bytes(const QString& p) {
    QFile f(p);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
  }
  static void Write(const QString& p, const QByteArray& bytes) {
    QFile f(p);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
  }
  // A small JPEG whose frame header claims another size: only the header is ever read.
  QString jpegClaiming(const char* name, int w, int h) {
    QByteArray bytes = Bytes(save(name, Gradient(16, 16), "JPEG"));
    const int sof = static_cast<int>(bytes.indexOf(QByteArray("\xFF\xC0", 2)));
    EXPECT_GT(sof, 0);
    bytes[sof + 5] = static_cast<char>(h >> 8);
    bytes[sof + 6] = static_cast<char>(h & 0xFF);
    bytes[sof + 7] = static_cast<char>(w >> 8);
    bytes[sof + 8] = static_cast<char>(w & 0xFF);
    Write(path(name), bytes);
    return path(name);
  }
  static void ExpectNear(QRgb got, QRgb want, int tolerance, const char* where) {
    EXPECT_LE(std::abs(qRed(got) - qRed(want)), tolerance) << where;
    EXPECT_LE(std::abs(qGreen(got) - qGreen(want)), tolerance) << where;
    EXPECT_LE(std::abs(qBlue(got) - qBlue(want)), tolerance) << where;
  }

  QTemporaryDir folder;
};

TEST_F(PictureLoader, ExifOrientationTurnsSizeAndPicture) {
  // Stored 64 x 32, left half red, right half blue, tagged "turn a quarter clockwise to show".
  QImage image(64, 32, QImage::Format_RGB32);
  image.fill(qRgb(255, 0, 0));
  for (int y = 0; y < 32; ++y) {
    for (int x = 32; x < 64; ++x) image.setPixel(x, y, qRgb(0, 0, 255));
  }
  QImageWriter writer(path("turned.jpg"), "jpeg");
  writer.setTransformation(QImageIOHandler::TransformationRotate90);
  writer.setQuality(95);
  ASSERT_TRUE(writer.write(image));

  Photo photo;
  ASSERT_EQ(LoadPictureFile(path("turned.jpg"), photo), PictureStatus::Ok);
  EXPECT_EQ(photo.size(), QSize(32, 64));
  EXPECT_EQ(photo.format(), QByteArray("jpeg"));
  ASSERT_TRUE(photo.decodeFor(QSize(32, 64)));
  const QImage shown = photo.scaled(QSize(32, 64));
  ASSERT_EQ(shown.size(), QSize(32, 64));
  // The stored left edge is now the top.
  ExpectNear(shown.pixel(16, 8), qRgb(255, 0, 0), 24, "top");
  ExpectNear(shown.pixel(16, 56), qRgb(0, 0, 255), 24, "bottom");

  // Reduced through the decoder, the turn still holds: a 4 x 8 picture from the 1/8 decode.
  Photo again;
  ASSERT_EQ(LoadPictureFile(path("turned.jpg"), again), PictureStatus::Ok);
  ASSERT_TRUE(again.decodeFor(QSize(4, 8)));
  EXPECT_EQ(again.decodeDenominator(), 8);
  EXPECT_EQ(again.decodedSize(), QSize(4, 8));
  ExpectNear(again.scaled(QSize(4, 8)).pixel(2, 1), qRgb(255, 0, 0), 40, "reduced top");
}

TEST_F(PictureLoader, DecoderReductionIsTheSmallestThatCoversTheShownSize) {
  struct Case {
    QSize stored, shown;
    int denominator;
  };
  const Case cases[] = {
      {{6000, 4000}, {480, 320}, 8}, {{6000, 4000}, {751, 500}, 4}, {{1024, 768}, {480, 360}, 2},
      {{2000, 1500}, {480, 360}, 4}, {{640, 480}, {480, 360}, 1},   {{9, 9}, {1, 1}, 8},
      {{2000, 300}, {480, 72}, 4},   {{7, 7}, {1, 1}, 4},           {{1, 1}, {1, 1}, 1},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(JpegScaleDenominator(c.stored, c.shown), c.denominator)
        << c.stored.width() << "x" << c.stored.height();
  }

  const QImage source = Gradient(1600, 1200);
  const QString jpeg = save("big.jpg", source, "JPEG");
  Photo photo;
  ASSERT_EQ(LoadPictureFile(jpeg, photo), PictureStatus::Ok);
  EXPECT_EQ(photo.decodeDenominator(), 0) << "opening decodes nothing";
  EXPECT_EQ(photo.size(), QSize(1600, 1200));

  // Each step: the shown size asked for, the reduction of the decode kept afterwards.
  const std::pair<QSize, int> steps[] = {{{200, 150}, 8}, {{150, 112}, 8}, {{201, 150}, 4},
                                         {{400, 300}, 4}, {{100, 75}, 4},  {{1600, 1200}, 1}};
  for (const auto& [shown, denominator] : steps) {
    ASSERT_TRUE(photo.decodeFor(shown));
    EXPECT_EQ(photo.decodeDenominator(), denominator) << shown.width();
    EXPECT_EQ(photo.decodedSize(), QSize(1600 / denominator, 1200 / denominator));
  }
  // Whatever was decoded, the shown picture is the photo at that size.
  const QImage shown = photo.scaled(QSize(480, 360));
  ASSERT_EQ(shown.size(), QSize(480, 360));
  for (const QPoint p : {QPoint(10, 10), QPoint(240, 180), QPoint(470, 350)}) {
    ExpectNear(shown.pixel(p), source.pixel(p.x() * 1600 / 480, p.y() * 1200 / 360), 8, "gradient");
  }

  // A bitmap cannot be reduced while decoding: it is decoded whole once.
  Photo bitmap;
  ASSERT_EQ(LoadPictureFile(save("small.bmp", Gradient(300, 200), "BMP"), bitmap), PictureStatus::Ok);
  ASSERT_TRUE(bitmap.decodeFor(QSize(30, 20)));
  EXPECT_EQ(bitmap.decodeDenominator(), 1);
  EXPECT_EQ(bitmap.decodedSize(), QSize(300, 200));
}

TEST_F(PictureLoader, RefusesHugeAndBrokenFilesAndKeepsThePhotoItHad) {
  Photo photo;
  const QString good = save("good.jpg", Gradient(40, 30), "JPEG");
  ASSERT_EQ(LoadPictureFile(good, photo), PictureStatus::Ok);

  // Header-only giants: refused by edge, by area; a big one within both limits opens without decoding.
  EXPECT_EQ(LoadPictureFile(jpegClaiming("wide.jpg", 30000, 100), photo), PictureStatus::TooLarge);
  EXPECT_EQ(LoadPictureFile(jpegClaiming("area.jpg", 16000, 16000), photo), PictureStatus::TooLarge);
  EXPECT_EQ(photo.path(), good);
  Photo giant;
  ASSERT_EQ(LoadPictureFile(jpegClaiming("giant.jpg", 12000, 12000), giant), PictureStatus::Ok);
  EXPECT_EQ(giant.size(), QSize(12000, 12000));
  EXPECT_FALSE(giant.decodeFor(QSize(12000, 12000))) << "a full decode of 144 megapixels is refused";
  // At the reduction shown it decodes; the missing scan data comes out as the decoder's grey.
  ASSERT_TRUE(giant.decodeFor(QSize(480, 360)));
  EXPECT_EQ(giant.scaled(QSize(480, 360)).size(), QSize(480, 360));

  // A bitmap is always decoded whole, so its limit is the decode budget.
  QByteArray bmp = Bytes(save("tall.bmp", Gradient(8, 8), "BMP"));
  const int side = 9000;
  for (int k = 0; k < 4; ++k) {
    bmp[18 + k] = static_cast<char>((side >> (8 * k)) & 0xFF);
    bmp[22 + k] = static_cast<char>((side >> (8 * k)) & 0xFF);
  }
  Write(path("tall.bmp"), bmp);
  EXPECT_EQ(LoadPictureFile(path("tall.bmp"), photo), PictureStatus::TooLarge);

  // Gone, garbage under any name, empty: unreadable, nothing changes.
  EXPECT_EQ(LoadPictureFile(path("missing.jpg"), photo), PictureStatus::Unreadable);
  EXPECT_EQ(LoadPictureFile(folder.path(), photo), PictureStatus::Unreadable);
  QByteArray noise(4096, '\0');
  for (int i = 0; i < noise.size(); ++i) noise[i] = static_cast<char>((i * 7919 + 13) & 0xFF);
  for (const char* name : {"noise.jpg", "noise.ico", "noise.bmp"}) {
    Write(path(name), noise);
    Photo n;
    if (LoadPictureFile(path(name), n) == PictureStatus::Ok) n.decodeFor(QSize(16, 16));
  }
  Write(path("empty.ico"), QByteArray());
  EXPECT_EQ(LoadPictureFile(path("empty.ico"), photo), PictureStatus::Unreadable);
  EXPECT_EQ(photo.path(), good);

  // A JPEG cut short opens and decodes what is there; a 1 x 1 photo works at every size.
  const QByteArray whole = Bytes(save("cut.jpg", Gradient(200, 100), "JPEG"));
  Write(path("cut.jpg"), whole.left(whole.size() / 2));
  Photo cut;
  ASSERT_EQ(LoadPictureFile(path("cut.jpg"), cut), PictureStatus::Ok);
  ASSERT_TRUE(cut.decodeFor(QSize(200, 100)));
  EXPECT_EQ(cut.scaled(QSize(50, 25)).size(), QSize(50, 25));
  Photo dot;
  ASSERT_EQ(LoadPictureFile(save("dot.jpg", Gradient(1, 1), "JPEG"), dot), PictureStatus::Ok);
  EXPECT_EQ(dot.size(), QSize(1, 1));
  ASSERT_TRUE(dot.decodeFor(QSize(0, 0)));
  EXPECT_TRUE(dot.scaled(QSize(0, 0)).isNull());
  EXPECT_EQ(dot.scaled(QSize(1, 1)).size(), QSize(1, 1));

  // A file that vanishes after opening keeps the decode it already had.
  ASSERT_TRUE(photo.decodeFor(QSize(10, 8)));
  ASSERT_TRUE(QFile::remove(good));
  EXPECT_FALSE(photo.decodeFor(QSize(40, 30)));
  EXPECT_EQ(photo.scaled(QSize(40, 30)).size(), QSize(40, 30));
}

// Noise: any pixel that moves or is weighted differently shows.
QImage Noise(int w, int h, QImage::Format format = QImage::Format_RGB32) {
  QImage image(w, h, format);
  std::uint32_t seed = static_cast<std::uint32_t>(w * 31 + h);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      seed = seed * 1664525u + 1013904223u;
      image.setPixel(
          x, y, qRgb(static_cast<int>(seed >> 24), (x * 255 / w) ^ static_cast<int>(seed >> 28), y & 255));
    }
  }
  return image;
}

TEST(ScaledPart, IsExactlyThePartOfTheWholeScaledPicture) {
  // Down both ways, down one way, the same size, and up (an old decode shown larger).
  const struct {
    QSize source, size;
  } cases[] = {{{1500, 1125}, {600, 450}},   {{3000, 2250}, {2400, 1800}}, {{1001, 777}, {900, 500}},
               {{2000, 1500}, {1999, 1500}}, {{1200, 900}, {1200, 900}},   {{2400, 1800}, {1320, 990}},
               {{1777, 1313}, {1000, 999}},  {{300, 200}, {2000, 1500}},   {{1600, 1000}, {1200, 750}}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.source.width()) + " to " + std::to_string(c.size.width()));
    const QImage source = Noise(c.source.width(), c.source.height());
    const QRect part(0, 0, 656, 496);
    const QImage want = source.scaled(c.size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                            .copy(part.intersected(QRect(QPoint(0, 0), c.size)));
    EXPECT_EQ(ScaledPart(source, c.size, part), want);
    // And the crop it scales is short where the steps allow.
    const ScaleCrop x = ExactScaleCrop(c.source.width(), c.size.width(), 656);
    EXPECT_LE(x.target, std::max(c.size.width(), 2 * 656));
  }
}

TEST_F(PictureLoader, APhotoTooLargeToDecodeWholeShowsItsPartDecodedAloneInEveryOrientation) {
  using T = QImageIOHandler::Transformation;
  const T turns[] = {QImageIOHandler::TransformationNone,
                     QImageIOHandler::TransformationRotate90,
                     QImageIOHandler::TransformationMirror,
                     QImageIOHandler::TransformationRotate270,
                     QImageIOHandler::TransformationFlipAndRotate90,
                     QImageIOHandler::TransformationRotate180};
  const QImage stored = Noise(2400, 1800);
  const QRgb background = qRgb(1, 2, 3);
  for (const T turn : turns) {
    QImageWriter writer(path("large.jpg"), "jpeg");
    writer.setTransformation(turn);
    writer.setQuality(90);
    ASSERT_TRUE(writer.write(stored));
    Photo whole;
    Photo limited;
    ASSERT_EQ(LoadPictureFile(path("large.jpg"), whole), PictureStatus::Ok);
    ASSERT_EQ(LoadPictureFile(path("large.jpg"), limited), PictureStatus::Ok);
    limited.limitDecodedPixels(1'000'000);
    // At 0.6 the whole decode has 4.3 megapixels, at 0.3 (a decode at 1/2) 1.1: both over the limit.
    for (const double ratio : {0.6, 0.3}) {
      SCOPED_TRACE(std::to_string(static_cast<int>(turn)) + " at " + std::to_string(ratio));
      const QSize shown(qRound(whole.size().width() * ratio), qRound(whole.size().height() * ratio));
      const QRect part(0, 0, 656, 496);
      ASSERT_FALSE(limited.decodeFor(shown));
      const QImage got = limited.shownPart(shown, part, background);
      const QImage want = whole.shownPart(shown, part, background);
      ASSERT_EQ(got.size(), part.intersected(QRect(QPoint(0, 0), shown)).size());
      if (ratio > 0.5) {
        EXPECT_EQ(got, want);
        continue;
      }
      // At a reduction the decoder scales the clip itself, close to its own reduction of the whole: close
      // on average, where a part turned or moved would be off by a third.
      double difference = 0;
      for (int y = 0; y < got.height(); ++y) {
        for (int x = 0; x < got.width(); ++x)
          difference += std::abs(qGray(got.pixel(x, y)) - qGray(want.pixel(x, y)));
      }
      EXPECT_LT(difference / (got.width() * got.height()), 6.0);
    }
  }
}

TEST_F(PictureLoader, EveryOfferedPatternNamesAFormatTheLoaderReadsInAnyCase) {
  // A 1 x 1 GIF by hand: Qt reads GIF but does not write it.
  const QByteArray gif(
      "GIF89a\x01\x00\x01\x00\x80\x00\x00\xff\xff\xff\x00\x00\x00"
      ",\x00\x00\x00\x00\x01\x00\x01\x00\x00\x02\x02\x44\x01\x00;",
      35);
  for (QString pattern : kPhotoPatterns.split(u';')) {
    const QString ending = pattern.remove(u'*');
    for (const QString& name : {QStringLiteral("p") + ending, QStringLiteral("P") + ending.toUpper(),
                                QStringLiteral("q") + ending.left(2).toUpper() + ending.mid(2)}) {
      SCOPED_TRACE(name.toStdString());
      const QString file = folder.filePath(name);
      if (ending == ".gif") {
        Write(file, gif);
      } else {
        ASSERT_TRUE(Gradient(4, 3).save(file, ending == ".jpeg" ? "JPEG" : nullptr));
      }
      Photo photo;
      EXPECT_EQ(LoadPictureFile(file, photo), PictureStatus::Ok);
      EXPECT_FALSE(photo.size().isEmpty());
    }
  }
}

TEST_F(PictureLoader, APartFarFromTheCornerIsMadeFromItsOwnStretchOfThePhoto) {
  const QImage stored = Gradient(2400, 1800);
  const struct {
    const char* file;
    const char* format;
    double ratio;
    std::int64_t limit;  // below the whole decode: only the part is decoded
  } cases[] = {{"far.bmp", "BMP", 0.1, kMaxDecodedPixels}, {"far.bmp", "BMP", 0.77, kMaxDecodedPixels},
               {"far.jpg", "JPEG", 1.0, 1'000'000},        {"far.jpg", "JPEG", 0.6, 1'000'000},
               {"far.jpg", "JPEG", 0.3, 1'000'000},        {"far.jpg", "JPEG", 0.45, kMaxDecodedPixels}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.file) + " at " + std::to_string(c.ratio));
    const QString file = save(c.file, stored, c.format);
    Photo whole;
    Photo part;
    ASSERT_EQ(LoadPictureFile(file, whole), PictureStatus::Ok);
    ASSERT_EQ(LoadPictureFile(file, part), PictureStatus::Ok);
    part.limitDecodedPixels(c.limit);
    const QSize shown(qRound(2400 * c.ratio), qRound(1800 * c.ratio));
    const QRect far(shown.width() - 500, shown.height() - 300, 656, 496);
    ASSERT_TRUE(whole.decodeFor(shown));
    const QImage want = whole.scaled(shown).copy(far.intersected(QRect(QPoint(0, 0), shown)));
    const QImage got = part.shownPart(shown, far, qRgb(0, 0, 0));
    ASSERT_EQ(got.size(), want.size());
    double difference = 0;
    for (int y = 0; y < got.height(); ++y) {
      for (int x = 0; x < got.width(); ++x)
        difference += std::abs(qGray(got.pixel(x, y)) - qGray(want.pixel(x, y)));
    }
    EXPECT_LT(difference / (got.width() * got.height()), 2.0);
  }
}

}  // namespace
}  // namespace pf
