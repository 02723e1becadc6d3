// Draws the monitor's artwork at build time: the 436 x 276 picture behind the
// splash window and the about box, and the program icon in the sizes of a
// desktop icon theme. Both are interference fringes in a 16-colour palette,
// like those the board counts.
//
// make_artwork PICTURE.png ICON_THEME_DIR SIZE...
//   writes ICON_THEME_DIR/<N>x<N>/apps/zemtra-monitor.png for every SIZE N
#include <QColor>
#include <QDir>
#include <QImage>
#include <QTextStream>
#include <QVector>
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <numbers>

namespace {

constexpr int kPictureWidth = 436;
constexpr int kPictureHeight = 276;
constexpr int kIconSize = 64;  // the size the rings are drawn for; others are scaled
constexpr int kColours = 16;

// Night blue through the helium-neon red to a pale highlight.
QVector<QRgb> Palette() {
  const QColor stops[] = {{6, 10, 34}, {18, 34, 86}, {150, 24, 40}, {236, 70, 60}, {255, 214, 190}};
  constexpr int kSegments = std::size(stops) - 1;
  QVector<QRgb> colours;
  for (int i = 0; i < kColours; ++i) {
    const double at = double(i) / (kColours - 1) * kSegments;
    const int segment = std::min(int(at), kSegments - 1);
    const double f = at - segment;
    const QColor& a = stops[segment];
    const QColor& b = stops[segment + 1];
    colours.push_back(qRgb(int(a.red() + (b.red() - a.red()) * f),
                           int(a.green() + (b.green() - a.green()) * f),
                           int(a.blue() + (b.blue() - a.blue()) * f)));
  }
  return colours;
}

// Brightness 0..1 of two overlapping beams at (x, y): fringes from the path
// difference, under an envelope that keeps the left side dark for the text.
double Fringes(double x, double y) {
  const double r1 = std::hypot(x + 260.0, y - 40.0);
  const double r2 = std::hypot(x + 250.0, y - 250.0);
  const double fringe = 0.5 + 0.5 * std::cos(2.0 * std::numbers::pi * (r1 - r2) / 23.0);
  const double envelope = std::clamp((x - 120.0) / 316.0, 0.0, 1.0);
  const double glow = std::exp(-std::pow((y - 150.0) / 150.0, 2.0));
  return fringe * (0.25 + 0.75 * envelope) * (0.55 + 0.45 * glow);
}

// Newton's rings for the icon.
double Rings(double x, double y) {
  const double r2 = (x - 32.0) * (x - 32.0) + (y - 32.0) * (y - 32.0);
  const double ring = 0.5 + 0.5 * std::cos(r2 / 38.0);
  return ring * std::clamp(1.15 - std::sqrt(r2) / 34.0, 0.0, 1.0);
}

template <typename Shade>
QImage Draw(int width, int height, Shade shade) {
  QImage image(width, height, QImage::Format_Indexed8);
  image.setColorTable(Palette());
  for (int y = 0; y < height; ++y) {
    uchar* line = image.scanLine(y);
    for (int x = 0; x < width; ++x)
      line[x] = uchar(std::clamp(int(shade(x, y) * kColours), 0, kColours - 1));
  }
  return image;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4) {
    QTextStream(stderr) << "usage: make_artwork PICTURE.png ICON_THEME_DIR SIZE...\n";
    return 2;
  }
  bool saved = Draw(kPictureWidth, kPictureHeight, Fringes).save(QString::fromLocal8Bit(argv[1]));
  for (int i = 3; i < argc && saved; ++i) {
    const int size = std::atoi(argv[i]);
    if (size < 1 || size > 1024) return 2;
    const double scale = double(kIconSize) / size;
    const QString apps = QStringLiteral("%1/%2x%2/apps").arg(QString::fromLocal8Bit(argv[2])).arg(size);
    saved = QDir().mkpath(apps) &&
            Draw(size, size, [scale](double x, double y) { return Rings(x * scale, y * scale); })
                .save(apps + QStringLiteral("/zemtra-monitor.png"));
  }
  return saved ? 0 : 1;
}
