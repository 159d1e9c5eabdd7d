// The archive panel (picArchives) of the main window: a row of three buttons above a tree of
// the "Archives" folder. The user saves the current results document into a folder of the tree,
// makes sub-folders, deletes documents and folders, and clicks a document to have the main
// window show it. The tree is built once by Fill() and then kept in step with these commands;
// files changed on disk by other means appear at the next Fill().
#pragma once

#include <QFrame>
#include <QString>
#include <filesystem>
#include <functional>
#include <string>

class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace fablewick {

class Host;

class ArchivePanel : public QFrame {
  Q_OBJECT

 public:
  // Item data roles of the tree's nodes (column 0): the node's key, the item's path relative to
  // the program folder such as "Archives/Dungeons/Crypt.html" (a QByteArray holding the path's
  // bytes), and its image key, one of "Globe", "ClosedFolder", "OpenFolder", "Document" (a
  // QString).
  static constexpr int kKeyRole = Qt::UserRole + 1;
  static constexpr int kImageRole = Qt::UserRole + 2;

  // Every box (questions, names, failures) goes through `boxes`.
  ArchivePanel(std::filesystem::path program_folder, Host& boxes, QWidget* parent = nullptr);

  // Tells the panel where to read the current output type (nOutputType: 0 HTML, 1 text, 2 XML)
  // when results are added; without it the panel assumes HTML.
  void SetOutputTypeSource(std::function<int()> output_type);

  // Builds the tree from disk: creates a missing Archives folder (a failure is reported in a
  // box and the tree then holds the root only), adds the root node and every folder and document
  // below it, depth first, and expands the root. Nothing is selected afterwards and the three
  // buttons are disabled until a node is clicked.
  void Fill();

  QTreeWidget* TreeView1() const { return TreeView1_; }
  QPushButton* cmdAdd() const { return cmdAdd_; }
  QPushButton* cmdNewDir() const { return cmdNewDir_; }
  QPushButton* cmdDelete() const { return cmdDelete_; }

  // The node whose key is `key` ("Archives", "Archives/Inns"), or nullptr.
  QTreeWidgetItem* FindNode(const std::string& key) const;
  static std::string NodeKey(const QTreeWidgetItem* node);
  static QString NodeImage(const QTreeWidgetItem* node);

 signals:
  // A document node was clicked; `path` is the document's absolute path.
  void documentChosen(QString path);
  // The document or folder at `path` (absolute) was deleted, whole or in part.
  void deleted(QString path);

 public slots:
  // Saves the current results document into the selected folder under a name the user types.
  void cmdAdd_Click();
  // Creates a sub-folder of the selected folder under a name the user types.
  void cmdNewDir_Click();
  // Deletes the selected document, or the selected folder with everything in it.
  void cmdDelete_Click();
  // Selects a node: a document is shown (documentChosen) and can only be deleted; a folder can
  // take results and sub-folders, and can be deleted unless it is the root.
  void TreeView1_NodeClick(QTreeWidgetItem* node);

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  QTreeWidgetItem* AddNode(QTreeWidgetItem* parent, const std::string& key, const std::string& text,
                           const QString& image);
  void SetImage(QTreeWidgetItem* node, const QString& image);
  void FillNode(QTreeWidgetItem* node);
  // A child of `node` with exactly this text whose image is (or is not) "Document".
  bool HasChild(const QTreeWidgetItem* node, const std::string& text, bool document) const;
  std::filesystem::path PathOf(const QTreeWidgetItem* node) const;
  void SetButtons(bool add_and_new, bool remove);
  void ReportFailure(const std::string& routine, const std::string& description);
  void OnCurrentItemChanged(QTreeWidgetItem* current);
  void LayoutControls();

  std::filesystem::path program_folder_;
  Host& boxes_;
  std::function<int()> output_type_;
  QPushButton* cmdAdd_;
  QPushButton* cmdNewDir_;
  QPushButton* cmdDelete_;
  QTreeWidget* TreeView1_;
  // The node the commands act on: the one last clicked (or chosen with the keyboard).
  QTreeWidgetItem* selected_ = nullptr;
  // Set while the panel itself changes the tree, so that the tree's own selection changes are
  // not taken for the person's.
  bool updating_ = false;
};

}  // namespace fablewick
