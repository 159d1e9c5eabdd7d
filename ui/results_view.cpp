#include "ui/results_view.h"

#include <QFile>
#include <QFileInfo>
#include <QMouseEvent>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTextCursor>
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

// The style sheets the document links to, read from disk: the parts of a document shown in
// steps are added as fragments, which Qt reads without their linked style sheets, but with the
// view's default one.
QString LinkedStyleSheets(const QString& head, const QString& folder) {
  static const QRegularExpression link("<link\\b[^>]*>", QRegularExpression::CaseInsensitiveOption);
  static const QRegularExpression href("href\\s*=\\s*\"([^\"]*)\"",
                                       QRegularExpression::CaseInsensitiveOption);
  QString sheets;
  for (QRegularExpressionMatchIterator links = link.globalMatch(head); links.hasNext();) {
    const QString tag = links.next().captured(0);
    if (!tag.contains("stylesheet", Qt::CaseInsensitive)) continue;
    const QString name = href.match(tag).captured(1);
    if (name.isEmpty()) continue;
    QFile file(QFileInfo(name).isAbsolute() ? name : folder + "/" + name);
    if (file.open(QIODevice::ReadOnly)) sheets += QString::fromUtf8(file.readAll()) + "\n";
  }
  return sheets;
}

// A document above this size is shown in steps; the first step shows about this much.
constexpr qsizetype kShownAtOnce = 96 * 1024;
// The results added at each later step: enough text for a step of a few tens of milliseconds.
constexpr qsizetype kStepSize = 16 * 1024;

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
  // The view is read-only: the parts added to a document shown in steps need no undo.
  document()->setUndoRedoEnabled(false);
  step_timer_ = new QTimer(this);
  step_timer_->setInterval(0);
  connect(step_timer_, &QTimer::timeout, this, &ResultsView::ShowNextPart);
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
  StopLoading();
  // The view types new text with the format at its cursor; after an HTML page that may be a
  // link's, which a plain text document would take over whole.
  setTextCursor(QTextCursor(document()));
  setCurrentCharFormat(QTextCharFormat());
  if (IsHtmlPath(path)) {
    std::optional<SteppedHtml> stepped =
        text.size() > kShownAtOnce ? SplitIntoResults(text, kStepSize) : std::nullopt;
    // Qt lets the view's default style sheet win over the document's linked one, even against
    // more particular rules: the linked sheets are repeated after the colours, where a rule such
    // as link.css's "a.clsLink" wins over "a" again.
    QString sheet = BodyColourStyleSheet(text);
    if (!sheet.isEmpty() || stepped) {
      sheet += LinkedStyleSheets(text.left(text.indexOf("<body", 0, Qt::CaseInsensitive)),
                                 QFileInfo(file).absolutePath());
    }
    document()->setDefaultStyleSheet(sheet);
    if (stepped) {
      QString first = stepped->prefix;
      while (next_piece_ < stepped->pieces.size() && first.size() < kShownAtOnce) {
        first += stepped->pieces[next_piece_++];
      }
      setHtml(first + stepped->suffix);
      if (next_piece_ < stepped->pieces.size()) {
        stepped_ = std::move(stepped);
        step_timer_->start();
        emit loadingChanged(true);
      }
    } else {
      setHtml(text);
    }
  } else {
    document()->setDefaultStyleSheet({});
    setPlainText(text);
  }
  if (!anchor.empty()) {
    const QString name = QString::fromStdString(anchor);
    if (Loading()) pending_anchor_ = name;
    scrollToAnchor(name);
    // The first layout may still be under way; scroll again once it is done.
    QTimer::singleShot(0, this, [this, name] { scrollToAnchor(name); });
  }
  path_ = path;
  anchor_ = anchor;
}

void ResultsView::ShowNextPart() {
  if (!stepped_) return;
  QString part = stepped_->prefix;
  const qsizetype start = part.size();
  while (next_piece_ < stepped_->pieces.size() && part.size() - start < kStepSize) {
    part += stepped_->pieces[next_piece_++];
  }
  // Each part is a whole document of its own (the same head and BODY tag), so its results are
  // read with the document's style sheet and colours; a new block keeps the first of them off
  // the last result shown.
  QTextCursor end(document());
  end.movePosition(QTextCursor::End);
  end.insertBlock();
  end.insertHtml(part + stepped_->suffix);
  if (!pending_anchor_.isEmpty() && part.contains("name=\"" + pending_anchor_ + "\"")) {
    scrollToAnchor(pending_anchor_);
    pending_anchor_.clear();
  }
  if (next_piece_ >= stepped_->pieces.size()) StopLoading();
}

void ResultsView::FinishLoading() {
  while (Loading()) ShowNextPart();
}

bool ResultsView::CancelLoading() {
  if (!Loading()) return false;
  StopLoading();
  return true;
}

void ResultsView::StopLoading() {
  const bool was_loading = Loading();
  step_timer_->stop();
  stepped_.reset();
  next_piece_ = 0;
  pending_anchor_.clear();
  if (was_loading) emit loadingChanged(false);
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
