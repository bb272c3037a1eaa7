#include "platform/help_viewer.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QListWidget>
#include <QRegularExpression>
#include <QScrollBar>
#include <QSplitter>
#include <QTextBrowser>
#include <QUrl>

namespace zirt {

QString ResolveHelpFile(const QString& help_file, const QStringList& folders) {
  QString relative = help_file;
  relative.replace(QLatin1Char('\\'), QLatin1Char('/'));
  const QFileInfo name(relative);
  const QString html = (name.path() == QLatin1String(".") ? QString() : name.path() + '/') +
                       name.completeBaseName() + QStringLiteral(".html");
  for (const QString& folder : folders) {
    const QString candidate = QDir(folder).filePath(html);
    if (QFileInfo(candidate).isFile()) return QDir::cleanPath(candidate);
  }
  return QString();
}

QStringList HelpFolders() {
  const QString program = QCoreApplication::applicationDirPath();
  return {QDir::currentPath(), program, QDir(program).filePath(QStringLiteral("../share/zirt"))};
}

HelpViewer::HelpViewer(QWidget* parent)
    : QDialog(parent), contents_(new QListWidget), browser_(new QTextBrowser) {
  setWindowFlag(Qt::WindowMaximizeButtonHint);
  auto* splitter = new QSplitter(this);
  splitter->addWidget(contents_);
  splitter->addWidget(browser_);
  splitter->setStretchFactor(1, 1);
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(splitter);
  resize(860, 620);
  splitter->setSizes({240, 620});
  // Long chapter titles wrap onto a second line rather than lose their ends.
  contents_->setWordWrap(true);
  contents_->setTextElideMode(Qt::ElideNone);
  contents_->setResizeMode(QListView::Adjust);
  browser_->setOpenExternalLinks(true);
  connect(contents_, &QListWidget::currentRowChanged, this, [this](int row) {
    if (row >= 0 && row < anchors_.size()) browser_->scrollToAnchor(anchors_[row]);
  });
}

void HelpViewer::Open(const QString& html_path) {
  // Kept between openings: the title follows the interface's language of each opening, as the
  // page does.
  setWindowTitle(QCoreApplication::translate("HelpViewer", "Справка ZIRT"));
  QFile file(html_path);
  QString html;
  if (file.open(QIODevice::ReadOnly)) html = QString::fromUtf8(file.readAll());
  browser_->setSearchPaths({QFileInfo(html_path).absolutePath()});
  browser_->setHtml(html);
  // The contents list is the page's chapters: every heading of the second level with an id.
  contents_->clear();
  anchors_.clear();
  static const QRegularExpression kHeading(QStringLiteral("<h2 id=\"([^\"]+)\">(.*?)</h2>"),
                                           QRegularExpression::DotMatchesEverythingOption);
  for (auto match = kHeading.globalMatch(html); match.hasNext();) {
    const auto m = match.next();
    anchors_ << m.captured(1);
    contents_->addItem(m.captured(2));
  }
  browser_->verticalScrollBar()->setValue(0);
}

}  // namespace zirt
