#include "ui/results_view.h"

#include <QFile>
#include <QFileInfo>
#include <QMouseEvent>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTimer>
#include <QUrl>
#include <stdexcept>

namespace fablewick {
namespace {

bool IsHtmlPath(const std::string& path) {
  const QString suffix = QString::fromStdString(path).section('.', -1).toLower();
  return suffix == "html" || suffix == "htm";
}

// The value of attribute `name` in the document's BODY tag, as results documents write it
// (TEXT="#400000"; LINK = "#0000FF"): case does not matter, blanks around "=" and quotes may be
// there or not. Empty when the tag or the attribute is missing.
QString BodyAttribute(const QString& html, const QString& name) {
  static const QRegularExpression body("<body\\b[^>]*>", QRegularExpression::CaseInsensitiveOption);
  const QRegularExpressionMatch tag = body.match(html);
  if (!tag.hasMatch()) return {};
  const QRegularExpression attribute("[\\s;\"]" + name + "\\s*=\\s*\"?([^\"\\s;>]*)",
                                     QRegularExpression::CaseInsensitiveOption);
  return attribute.match(tag.captured(0)).captured(1);
}

// Qt's HTML reader keeps the BODY tag's background but not its text and link colours; a style
// sheet read before the document's own gives them, and the document's own rules (link.css, a
// link's style attribute) still win over it.
QString BodyColourStyleSheet(const QString& html) {
  QString sheet;
  const QColor text(BodyAttribute(html, "TEXT"));
  const QColor link(BodyAttribute(html, "LINK"));
  if (text.isValid()) sheet += "body { color: " + text.name() + "; }\n";
  if (link.isValid()) sheet += "a { color: " + link.name() + "; }\n";
  return sheet;
}

}  // namespace

ResultsView::ResultsView(QWidget* parent) : QTextBrowser(parent) {
  setObjectName("WebBrowser1");
  // Addresses such as "reg7://CC~Random Inn.Gem" are not URLs; the view must not try to follow
  // them, and the window needs them as written.
  setOpenLinks(false);
  setOpenExternalLinks(false);
  connect(this, &QTextBrowser::anchorClicked, this, &ResultsView::OnAnchorClicked);
  // A scroll bar that appears once the text is laid out narrows the page and makes the whole
  // document be laid out a second time; with the bar always there, a long document of results
  // is shown in about half the time.
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
}

void ResultsView::Navigate(const std::string& target) {
  const std::size_t hash = target.find('#');
  const std::string path = target.substr(0, hash);
  const std::string anchor = hash == std::string::npos ? "" : target.substr(hash + 1);
  QFile file(QString::fromStdString(path));
  if (!file.open(QIODevice::ReadOnly)) {
    throw std::runtime_error("Cannot open " + path + ": " + file.errorString().toStdString());
  }
  const QByteArray bytes = file.readAll();
  // The document is read here rather than through setSource: a results document is rewritten
  // under the same name after every re-roll, and must be read anew each time.
  const QUrl url = QUrl::fromLocalFile(QString::fromStdString(path));
  document()->setBaseUrl(url);
  setSearchPaths({QFileInfo(file).absolutePath()});
  const QString text = QString::fromUtf8(bytes);
  // The view types new text with the format at its cursor; after an HTML page that may be a
  // link's, which a plain text document would take over whole.
  setTextCursor(QTextCursor(document()));
  setCurrentCharFormat(QTextCharFormat());
  if (IsHtmlPath(path)) {
    document()->setDefaultStyleSheet(BodyColourStyleSheet(text));
    setHtml(text);
  } else {
    document()->setDefaultStyleSheet({});
    setPlainText(text);
  }
  if (!anchor.empty()) {
    const QString name = QString::fromStdString(anchor);
    scrollToAnchor(name);
    // The first layout may still be under way; scroll again once it is done.
    QTimer::singleShot(0, this, [this, name] { scrollToAnchor(name); });
  }
  path_ = path;
  anchor_ = anchor;
}

std::string ResultsView::CurrentLocation() const {
  if (path_.empty()) return "";
  std::string location = "file://";
  for (char c : path_) {
    if (c == ' ') {
      location += "%20";
    } else {
      location += c;
    }
  }
  if (!anchor_.empty()) location += "#" + anchor_;
  return location;
}

void ResultsView::Reload() {
  if (path_.empty()) return;
  const int scroll = verticalScrollBar()->value();
  Navigate(anchor_.empty() ? path_ : path_ + "#" + anchor_);
  if (anchor_.empty()) verticalScrollBar()->setValue(scroll);
}

void ResultsView::mouseReleaseEvent(QMouseEvent* event) {
  // anchorClicked carries a QUrl, which cannot hold such addresses faithfully; the text's own
  // anchor under the mouse still holds the href exactly as the document wrote it.
  released_href_ = anchorAt(event->position().toPoint());
  QTextBrowser::mouseReleaseEvent(event);
  released_href_.clear();
}

void ResultsView::OnAnchorClicked(const QUrl& url) {
  QString href = released_href_;
  if (href.isEmpty()) href = textCursor().charFormat().anchorHref();  // keyboard activation
  if (href.isEmpty()) href = url.toString();
  if (href.startsWith('#')) {
    scrollToAnchor(href.mid(1));
    anchor_ = href.mid(1).toStdString();
    return;
  }
  emit linkActivated(href);
}

}  // namespace fablewick
