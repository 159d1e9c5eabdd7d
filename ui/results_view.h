// The results view (WebBrowser1): shows results documents, the title page, archived results, the
// help page and the add-on page. HTML is rendered with its linked style sheet; text and XML
// documents are shown as plain text. Clicks on links are not followed by the view itself: the
// raw address, exactly as the document writes it, goes to the window, which decides.
#pragma once

#include <QTextBrowser>
#include <optional>
#include <string>

#include "ui/stepped_html.h"

class QTimer;

namespace fablewick {

class ResultsView : public QTextBrowser {
  Q_OBJECT

 public:
  explicit ResultsView(QWidget* parent = nullptr);

  // Shows a local file; `target` is a path, optionally followed by "#" and an anchor to scroll
  // to. Throws std::runtime_error when the file cannot be read.
  void Navigate(const std::string& target);
  // The address of the document shown, "file://" + path with blanks written "%20", followed by
  // "#" and the anchor last navigated to, if any. Empty before the first navigation.
  std::string CurrentLocation() const;
  // The local path of the document shown.
  const std::string& CurrentPath() const { return path_; }
  // Reads the document shown again from disk.
  void Reload();
  // A large HTML document is shown in steps: its first part at once, then a few of its results
  // at every turn of the window's event loop, so the window stays responsive however large it
  // is. Whether such a document is still being shown, and showing its rest at once.
  bool Loading() const { return stepped_.has_value(); }
  void FinishLoading();
  // Stops showing a document that is still being shown in steps: what is shown stays, the rest
  // is not added. False when no document was being shown in steps.
  bool CancelLoading();

 signals:
  // A document began or ended being shown in steps.
  void loadingChanged(bool loading);
  // A link was clicked or activated with the keyboard; `href` is the address as written.
  void linkActivated(const QString& href);

 protected:
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  void OnAnchorClicked(const QUrl& url);
  void ShowNextPart();
  void StopLoading();

  std::optional<SteppedHtml> stepped_;  // the document being shown in steps
  qsizetype next_piece_ = 0;
  QString pending_anchor_;  // to scroll to once its result is shown
  QTimer* step_timer_ = nullptr;

  std::string path_;
  std::string anchor_;
  QString released_href_;  // the anchor under the mouse while a click is being handled
};

}  // namespace fablewick
