// Screenshot scenes: each scene puts the monitor's windows into one state on a
// simulated board and saves pictures of the whole screen. Scenes register
// themselves; scripts/screenshots.sh runs each in its own process under Xvfb,
// with the ZEMTRA_SIM setting the scene asks for.
#pragma once

#include <QString>

namespace screenshots {

using SceneFunction = void (*)(const QString& outputDir);

struct Scene {
  const char* name;
  const char* simulation;  // value of ZEMTRA_SIM for this scene
  SceneFunction run;
};

struct SceneRegistrar {
  explicit SceneRegistrar(const Scene& scene);
};

// Lets the event loop run for about `ms` milliseconds so windows paint.
void Settle(int ms = 300);

// Saves the whole screen (as `import -window root` would) to outputDir/name.png.
void SaveScreen(const QString& outputDir, const QString& name);

}  // namespace screenshots
