#include "ui/archive_panel.h"

#include <QApplication>
#include <QHeaderView>
#include <QPushButton>
#include <QResizeEvent>
#include <QStyle>
#include <QTreeWidget>
#include <algorithm>
#include <exception>
#include <system_error>
#include <utility>

#include "engine/documents/document.h"
#include "engine/error_text.h"
#include "engine/host.h"
#include "platform/archive_store.h"
#include "platform/text.h"

namespace fablewick {

namespace fs = std::filesystem;

namespace {

const QString kGlobe = QStringLiteral("Globe");
const QString kClosedFolder = QStringLiteral("ClosedFolder");
const QString kOpenFolder = QStringLiteral("OpenFolder");
const QString kDocument = QStringLiteral("Document");

constexpr int kGap = 8;        // between the panel's edge, the button row and the tree
constexpr int kButtonGap = 4;  // between neighbouring buttons

QIcon ImageIcon(const QStyle* style, const QString& image) {
  if (image == kGlobe) return style->standardIcon(QStyle::SP_DriveNetIcon);
  if (image == kOpenFolder) return style->standardIcon(QStyle::SP_DirOpenIcon);
  if (image == kClosedFolder) return style->standardIcon(QStyle::SP_DirClosedIcon);
  return style->standardIcon(QStyle::SP_FileIcon);
}

QString FromPath(const std::string& text) { return QString::fromStdString(text); }

}  // namespace

ArchivePanel::ArchivePanel(fs::path program_folder, Host& boxes, QWidget* parent)
    : QFrame(parent),
      program_folder_(fs::absolute(program_folder)),
      boxes_(boxes),
      output_type_([] { return 0; }) {
  setObjectName(QStringLiteral("picArchives"));
  setFrameShape(QFrame::StyledPanel);

  const auto make_button = [this](const char* name, const QString& caption,
                                  QStyle::StandardPixmap icon, const QString& tip) {
    auto* button = new QPushButton(style()->standardIcon(icon), caption, this);
    button->setObjectName(QString::fromLatin1(name));
    button->setToolTip(tip);
    button->setEnabled(false);
    return button;
  };
  cmdAdd_ = make_button("cmdAdd", tr("Add"), QStyle::SP_DialogSaveButton,
                        QStringLiteral("Add results to archive"));
  cmdNewDir_ = make_button("cmdNewDir", tr("New"), QStyle::SP_FileDialogNewFolder,
                           QStringLiteral("Create new folder"));
  cmdDelete_ = make_button("cmdDelete", tr("Delete"), QStyle::SP_TrashIcon,
                           QStringLiteral("Delete folder or file"));

  TreeView1_ = new QTreeWidget(this);
  TreeView1_->setObjectName(QStringLiteral("TreeView1"));
  TreeView1_->setHeaderHidden(true);
  TreeView1_->setColumnCount(1);
  TreeView1_->setSelectionMode(QAbstractItemView::SingleSelection);

  connect(cmdAdd_, &QPushButton::clicked, this, &ArchivePanel::cmdAdd_Click);
  connect(cmdNewDir_, &QPushButton::clicked, this, &ArchivePanel::cmdNewDir_Click);
  connect(cmdDelete_, &QPushButton::clicked, this, &ArchivePanel::cmdDelete_Click);
  connect(TreeView1_, &QTreeWidget::itemClicked, this,
          [this](QTreeWidgetItem* node) { TreeView1_NodeClick(node); });
  connect(TreeView1_, &QTreeWidget::currentItemChanged, this,
          [this](QTreeWidgetItem* current) { OnCurrentItemChanged(current); });
  connect(TreeView1_, &QTreeWidget::itemExpanded, this,
          [this](QTreeWidgetItem* node) { SetImage(node, kOpenFolder); });
  connect(TreeView1_, &QTreeWidget::itemCollapsed, this,
          [this](QTreeWidgetItem* node) { SetImage(node, kClosedFolder); });
  LayoutControls();
}

void ArchivePanel::SetOutputTypeSource(std::function<int()> output_type) {
  output_type_ = output_type ? std::move(output_type) : [] { return 0; };
}

// ---- building the tree ----------------------------------------------------------------------

QTreeWidgetItem* ArchivePanel::AddNode(QTreeWidgetItem* parent, const std::string& key,
                                       const std::string& text, const QString& image) {
  auto* node = new QTreeWidgetItem;
  node->setText(0, FromPath(text));
  node->setData(0, kKeyRole, QByteArray::fromStdString(key));
  SetImage(node, image);
  if (parent == nullptr) {
    TreeView1_->addTopLevelItem(node);
    return node;
  }
  // Siblings stay in the order a fresh listing gives them, case-insensitive by name.
  int position = 0;
  while (position < parent->childCount() &&
         !LessIgnoreCase(text, parent->child(position)->text(0).toStdString())) {
    ++position;
  }
  parent->insertChild(position, node);
  return node;
}

void ArchivePanel::SetImage(QTreeWidgetItem* node, const QString& image) {
  // A document never changes its image; folders and the root take the open or closed folder.
  if (NodeImage(node) == kDocument) return;
  node->setData(0, kImageRole, image);
  node->setIcon(0, ImageIcon(style(), image));
}

void ArchivePanel::FillNode(QTreeWidgetItem* node) {
  const std::string key = NodeKey(node);
  std::vector<ArchiveEntry> entries;
  try {
    entries = ListArchiveFolder(PathOf(node));
  } catch (const std::exception& failure) {
    ReportFailure("Fill", failure.what());
    return;
  }
  std::vector<QTreeWidgetItem*> folders;
  for (const ArchiveEntry& entry : entries) {
    QTreeWidgetItem* child = AddNode(node, key + "/" + entry.name, entry.name,
                                     entry.is_folder ? kClosedFolder : kDocument);
    if (entry.is_folder) folders.push_back(child);
  }
  for (QTreeWidgetItem* folder : folders) FillNode(folder);
}

void ArchivePanel::Fill() {
  updating_ = true;
  TreeView1_->clear();
  selected_ = nullptr;
  SetButtons(false, false);
  QTreeWidgetItem* root = AddNode(nullptr, kArchivesFolderName, kArchivesFolderName, kGlobe);
  bool have_folder = true;
  try {
    EnsureArchivesFolder(program_folder_);
  } catch (const std::exception& failure) {
    ReportFailure("Fill", failure.what());
    have_folder = false;
  }
  if (have_folder) FillNode(root);
  root->setExpanded(true);
  TreeView1_->setCurrentItem(nullptr);
  updating_ = false;
}

// ---- nodes ----------------------------------------------------------------------------------

std::string ArchivePanel::NodeKey(const QTreeWidgetItem* node) {
  return node->data(0, kKeyRole).toByteArray().toStdString();
}

QString ArchivePanel::NodeImage(const QTreeWidgetItem* node) {
  return node->data(0, kImageRole).toString();
}

QTreeWidgetItem* ArchivePanel::FindNode(const std::string& key) const {
  std::vector<QTreeWidgetItem*> pending;
  for (int i = 0; i < TreeView1_->topLevelItemCount(); ++i) {
    pending.push_back(TreeView1_->topLevelItem(i));
  }
  while (!pending.empty()) {
    QTreeWidgetItem* node = pending.back();
    pending.pop_back();
    if (NodeKey(node) == key) return node;
    for (int i = 0; i < node->childCount(); ++i) pending.push_back(node->child(i));
  }
  return nullptr;
}

bool ArchivePanel::HasChild(const QTreeWidgetItem* node, const std::string& text,
                            bool document) const {
  const QString wanted = FromPath(text);
  for (int i = 0; i < node->childCount(); ++i) {
    const QTreeWidgetItem* child = node->child(i);
    if (child->text(0) == wanted && (NodeImage(child) == kDocument) == document) return true;
  }
  return false;
}

fs::path ArchivePanel::PathOf(const QTreeWidgetItem* node) const {
  return program_folder_ / NodeKey(node);
}

void ArchivePanel::SetButtons(bool add_and_new, bool remove) {
  cmdAdd_->setEnabled(add_and_new);
  cmdNewDir_->setEnabled(add_and_new);
  cmdDelete_->setEnabled(remove);
}

void ArchivePanel::ReportFailure(const std::string& routine, const std::string& description) {
  ShowRoutineError(boxes_, routine, description);
}

// ---- events ---------------------------------------------------------------------------------

void ArchivePanel::TreeView1_NodeClick(QTreeWidgetItem* node) {
  if (node == nullptr) return;
  selected_ = node;
  if (TreeView1_->currentItem() != node) {
    updating_ = true;
    TreeView1_->setCurrentItem(node);
    updating_ = false;
  }
  const fs::path path = PathOf(node);
  std::error_code error;
  // The disk decides what was clicked. The root is the archive itself, a folder even when it is
  // a link to one elsewhere; an item gone from the disk is taken for what the tree says it was,
  // so that the command that follows reports the loss.
  const fs::file_status status = fs::symlink_status(path, error);
  const bool document =
      node->parent() != nullptr &&
      (fs::exists(status) ? !fs::is_directory(status) : NodeImage(node) == kDocument);
  if (document) {
    SetButtons(false, true);
    emit documentChosen(FromPath(path.string()));
    return;
  }
  SetButtons(true, node->parent() != nullptr);
}

void ArchivePanel::OnCurrentItemChanged(QTreeWidgetItem* current) {
  // A mouse click selects on the press and is handled by the click that follows; a change with
  // no button down comes from the keyboard and counts as a click on the new node.
  if (updating_ || current == nullptr || current == selected_) return;
  if (QApplication::mouseButtons() != Qt::NoButton) return;
  TreeView1_NodeClick(current);
}

void ArchivePanel::cmdAdd_Click() {
  if (selected_ == nullptr || NodeImage(selected_) == kDocument) return;
  const std::optional<std::string> name =
      boxes_.InputBox("Enter file name:", "Add Results to Archive", "[Fablewick Results]");
  if (!name || name->empty()) return;
  if (const auto refusal = CheckArchiveName(*name)) {
    boxes_.MessageBox("Add Results to Archive", *refusal);
    return;
  }
  const std::string extension = OutputExtension(output_type_());
  const std::string file_name = *name + "." + extension;
  const fs::path target = PathOf(selected_) / file_name;
  // A file put there by other means since the tree was built is protected the same way as one
  // the tree knows.
  std::error_code error;
  if (HasChild(selected_, file_name, true) || fs::exists(fs::symlink_status(target, error))) {
    boxes_.MessageBox("File Already Exists",
                      "A file with that name already exists at that level. Please use a "
                      "different name.");
    return;
  }
  try {
    CopyIntoArchive(program_folder_ / ("Temp." + extension), target);
  } catch (const std::exception& failure) {
    ReportFailure("cmdAdd_Click", failure.what());
    return;
  }
  AddNode(selected_, NodeKey(selected_) + "/" + file_name, file_name, kDocument);
}

void ArchivePanel::cmdNewDir_Click() {
  if (selected_ == nullptr || NodeImage(selected_) == kDocument) return;
  const std::optional<std::string> name =
      boxes_.InputBox("Enter new folder name:", "Create New Folder", "New Folder");
  if (!name || name->empty()) return;
  if (const auto refusal = CheckArchiveName(*name)) {
    boxes_.MessageBox("Create New Folder", *refusal);
    return;
  }
  if (HasChild(selected_, *name, false)) {
    boxes_.MessageBox("Folder Already Exists",
                      "A folder with that name already exists at that level. Please use a "
                      "different name.");
    return;
  }
  try {
    CreateArchiveFolder(PathOf(selected_) / *name);
  } catch (const std::exception& failure) {
    ReportFailure("cmdNewDir_Click", failure.what());
    return;
  }
  AddNode(selected_, NodeKey(selected_) + "/" + *name, *name, kClosedFolder);
}

void ArchivePanel::cmdDelete_Click() {
  QTreeWidgetItem* node = selected_;
  if (node == nullptr || node->parent() == nullptr) return;
  const fs::path path = PathOf(node);
  const bool document = NodeImage(node) == kDocument;
  // The folder on disk is asked about too: items put there by other means are not in the tree,
  // and deleting them without a question would lose them.
  if (!document && (node->childCount() > 0 || ArchiveFolderHasItems(path)) &&
      !boxes_.YesNoBox("Selected Folder Not Empty", "Are you sure?")) {
    return;
  }
  try {
    if (document) {
      DeleteArchiveFile(path);
    } else {
      DeleteArchiveTree(path);
    }
  } catch (const std::exception& failure) {
    ReportFailure("cmdDelete_Click", failure.what());
    emit deleted(FromPath(path.string()));
    // A folder tree may have been deleted in part; show what is left of it.
    std::error_code error;
    if (!document && fs::is_directory(fs::symlink_status(path, error))) {
      updating_ = true;
      qDeleteAll(node->takeChildren());
      updating_ = false;
      FillNode(node);
    }
    return;
  }
  updating_ = true;
  TreeView1_->setCurrentItem(nullptr);
  TreeView1_->clearSelection();
  selected_ = nullptr;
  delete node;
  updating_ = false;
  SetButtons(false, false);
  emit deleted(FromPath(path.string()));
}

// ---- layout ---------------------------------------------------------------------------------

void ArchivePanel::resizeEvent(QResizeEvent* event) {
  QFrame::resizeEvent(event);
  LayoutControls();
}

void ArchivePanel::LayoutControls() {
  const QRect inner = contentsRect();
  const int left = inner.left() + kGap;
  const int top = inner.top() + kGap;
  const int tree_width = std::max(0, inner.width() - 2 * kGap);
  int x = left;
  for (QPushButton* button : {cmdAdd_, cmdNewDir_}) {
    const QSize size = button->sizeHint();
    button->setGeometry(x, top, size.width(), size.height());
    x += size.width() + kButtonGap;
  }
  const QSize delete_size = cmdDelete_->sizeHint();
  // The delete button ends where the tree ends, apart from the other two.
  cmdDelete_->setGeometry(left + tree_width - delete_size.width(), top, delete_size.width(),
                          delete_size.height());
  const int row_height = std::max(
      {cmdAdd_->sizeHint().height(), cmdNewDir_->sizeHint().height(), delete_size.height()});
  const int tree_top = top + row_height + kGap;
  const int tree_height = std::max(0, inner.bottom() + 1 - kGap - tree_top);
  TreeView1_->setGeometry(left, tree_top, tree_width, tree_height);
}

}  // namespace fablewick
