#include "shoot.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPixmap>
#include <QScreen>
#include <QTextStream>
#include <vector>

namespace screenshots {

namespace {
std::vector<Scene>& Registry() {
  static std::vector<Scene> scenes;
  return scenes;
}
}  // namespace

SceneRegistrar::SceneRegistrar(const Scene& scene) { Registry().push_back(scene); }

void Settle(int ms) {
  QElapsedTimer timer;
  timer.start();
  while (timer.elapsed() < ms) QApplication::processEvents(QEventLoop::AllEvents, 20);
}

void SaveScreen(const QString& outputDir, const QString& name) {
  Settle();
  const QPixmap picture = QGuiApplication::primaryScreen()->grabWindow(0);
  picture.save(outputDir + "/" + name + ".png");
}

}  // namespace screenshots

// zemtra_screenshots --list           prints "name<TAB>ZEMTRA_SIM value" per scene
// zemtra_screenshots SCENE OUTPUTDIR   runs one scene
int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QTextStream out(stdout);
  if (argc == 2 && QString(argv[1]) == "--list") {
    for (const auto& scene : screenshots::Registry()) out << scene.name << '\t' << scene.simulation << '\n';
    return 0;
  }
  if (argc != 3) {
    QTextStream(stderr) << "usage: zemtra_screenshots --list | SCENE OUTPUTDIR\n";
    return 2;
  }
  for (const auto& scene : screenshots::Registry()) {
    if (QString(argv[1]) == scene.name) {
      scene.run(QString(argv[2]));
      return 0;
    }
  }
  QTextStream(stderr) << "no scene named " << argv[1] << '\n';
  return 2;
}
