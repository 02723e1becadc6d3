#include "helpviewer.h"

#include <QDir>
#include <QFileInfo>
#include <QHelpContentWidget>
#include <QHelpEngine>
#include <QHelpLink>
#include <QPointer>
#include <QSplitter>
#include <QTextBrowser>

#include "data_directory.h"
#include "screen_center.h"

namespace {

// A text browser that reads its pages and pictures out of the help file.
class HelpBrowser : public QTextBrowser {
 public:
  HelpBrowser(QHelpEngine* engine, QWidget* parent) : QTextBrowser(parent), engine_(engine) {}

  QVariant loadResource(int type, const QUrl& name) override {
    if (name.scheme() == QLatin1String("qthelp")) return engine_->fileData(name);
    return QTextBrowser::loadResource(type, name);
  }

 private:
  QHelpEngine* engine_;
};

QString g_helpFile;
QPointer<THelpViewer> g_viewer;

// Each topic carries the identifier "context-N" for its context number(s).
QString ContextIdentifier(int context) { return QStringLiteral("context-%1").arg(context); }

}  // namespace

THelpViewer::THelpViewer(const QString& collectionFile, QWidget* parent)
    : QMainWindow(parent), engine_(new QHelpEngine(collectionFile, this)) {
  setObjectName("HelpViewer");
  setWindowTitle(tr("Zemtra Monitor Help"));
  // The collection is installed read-only beside the program.
  engine_->setReadOnly(true);
  engine_->setupData();

  auto* splitter = new QSplitter(this);
  QHelpContentWidget* contents = engine_->contentWidget();
  browser_ = new HelpBrowser(engine_, splitter);
  browser_->setObjectName("HelpTopic");
  splitter->addWidget(contents);
  splitter->addWidget(browser_);
  splitter->setStretchFactor(1, 1);
  setCentralWidget(splitter);
  resize(860, 600);
  CenterOnScreen(this);

  connect(contents, &QHelpContentWidget::linkActivated, browser_,
          [this](const QUrl& url) { browser_->setSource(url); });
  connect(browser_, &QTextBrowser::sourceChanged, this, [this, contents](const QUrl& url) {
    const QModelIndex topic = contents->indexOf(url);
    if (topic.isValid()) contents->setCurrentIndex(topic);
    setWindowTitle(tr("Zemtra Monitor Help") + QStringLiteral(" - ") + browser_->documentTitle());
  });
  connect(engine_->contentModel(), &QHelpContentModel::contentsCreated, contents,
          [contents] { contents->expandAll(); });
}

bool THelpViewer::ShowContext(int context) {
  const QList<QHelpLink> topics = engine_->documentsForIdentifier(ContextIdentifier(context));
  if (topics.isEmpty()) return false;
  browser_->setSource(topics.first().url);
  return true;
}

QUrl THelpViewer::CurrentTopic() const { return browser_->source(); }

void SetApplicationHelpFile(const QString& name) { g_helpFile = name; }

QString ApplicationHelpCollection() {
  if (g_helpFile.isEmpty()) return {};
  const QString file = g_helpFile + QStringLiteral(".qhc");
  if (QFileInfo(file).fileName() != file) return file;
  return QDir(MonitorDataDirectory()).filePath(file);
}

bool HelpCommand(unsigned command, int data) {
  switch (command) {
    case HELP_QUIT:
      if (g_viewer) g_viewer->close();
      return true;
    case HELP_CONTEXT: {
      const QString collection = ApplicationHelpCollection();
      if (collection.isEmpty() || !QFileInfo::exists(collection)) return false;
      if (!g_viewer) {
        g_viewer = new THelpViewer(collection);
        g_viewer->setAttribute(Qt::WA_DeleteOnClose);
      }
      if (!g_viewer->ShowContext(data)) return false;
      g_viewer->show();
      g_viewer->raise();
      g_viewer->activateWindow();
      return true;
    }
    default:
      return false;
  }
}

THelpViewer* ApplicationHelpViewer() { return g_viewer; }
