#include "editor/Editit.h"

#include <QCloseEvent>
#include <QGroupBox>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <algorithm>

#include "editor/ChannelLabel.h"
#include "editor/GroupLists.h"
#include "editor/LabelBox.h"
#include "editor/OneLineList.h"
#include "editor/StripLabel.h"
#include "editor/Twips.h"
#include "link/Operator.h"
#include "memory/MemoryImages.h"
#include "memory/Session.h"

namespace {
constexpr int kClientWidth = 11415;
constexpr int kClientHeight = 5085;
constexpr std::array<int, 2> kFrameTop{0, 2160};
constexpr std::array<int, 2> kFrameHeight{2100, 2415};
constexpr std::array<const char*, 2> kFrameCaption{"9 Bits card(s) groups",
                                                   "18 Bits card(s) groups"};
constexpr int kButtonTop = 4680;
constexpr int kButtonWidth = 1215;
constexpr int kButtonHeight = 375;
constexpr int kRowHeight = 255;  // the boxes of neighbouring rows share their borders

const char* const kStripTip = "Click to add selected channel";
const char* const kLabelTip =
    "Click left to select or delete this channel and right to change polarity";

QColor FromColorRef(uint32_t c) {
  return QColor(static_cast<int>(c & 0xFF), static_cast<int>((c >> 8) & 0xFF),
                static_cast<int>((c >> 16) & 0xFF));
}

QRect Twips(int left, int top, int width, int height) {
  return QRect(Px(left), Px(top), Px(width), Px(height));
}

QLabel* Header(QWidget* parent, const char* text, int left, int top) {
  auto* l = new QLabel(QString::fromLatin1(text), parent);
  QFont f = l->font();
  f.setBold(true);
  l->setFont(f);
  l->adjustSize();
  l->move(Px(left), Px(top));
  return l;
}
}  // namespace

Editit::Editit(Session& session, QWidget* owner)
    : QDialog(owner),
      session_(session),
      model_(std::span<uint8_t, kSetupImageSize>(session.images().SetupMem),
             [&session] { session.op().beep(); }) {
  setWindowTitle(QStringLiteral("Edit configuration"));
  setModal(true);
  setFixedSize(Px(kClientWidth), Px(kClientHeight));
  QFont f = font();
  f.setFamilies({QStringLiteral("MS Sans Serif"), f.family()});
  f.setPointSizeF(8.25);
  setFont(f);

  for (int s = 0; s < EditorModel::kSections; ++s) BuildSection(s);

  save2File_ = new QPushButton(QStringLiteral("Save To &File"), this);
  save2File_->setGeometry(Twips(8880, kButtonTop, kButtonWidth, kButtonHeight));
  save2File_->setAutoDefault(false);
  save2Tek_ = new QPushButton(QStringLiteral("Save To &Tek"), this);
  save2Tek_->setGeometry(Twips(10200, kButtonTop, kButtonWidth, kButtonHeight));
  save2Tek_->setDefault(true);
  connect(save2File_, &QPushButton::clicked, this, &Editit::Save2File_Click);
  connect(save2Tek_, &QPushButton::clicked, this, &Editit::Save2Tek_Click);
  EnableSave();
}

void Editit::BuildSection(int s) {
  auto* frame = new QGroupBox(QString::fromLatin1(kFrameCaption.at(static_cast<size_t>(s))), this);
  frame->setGeometry(Twips(0, kFrameTop.at(static_cast<size_t>(s)), kClientWidth,
                           kFrameHeight.at(static_cast<size_t>(s))));
  frames_.at(static_cast<size_t>(s)) = frame;

  auto& headers = headers_.at(static_cast<size_t>(s));
  headers.push_back(Header(frame, "Label", 75, 240));
  headers.push_back(Header(frame, "Base", 680, 240));
  headers.push_back(Header(frame, "Input", 1215, 240));
  headers.push_back(Header(frame, "Disp", 1915, 240));
  headers.push_back(Header(frame, "Pod", 480, 1820));

  const QColor boxColour = FromColorRef(EditorModel::kLabelBoxColour.at(static_cast<size_t>(s)));
  for (int k = 0; k < EditorModel::kRows; ++k) {
    const int g = EditorModel::kRows * s + k;
    const int top = EditorModel::StripTop(static_cast<int16_t>(k));

    auto* box = new LabelBox(frame, [this] { session_.op().beep(); });
    box->setGeometry(Twips(75, top, 600, kRowHeight));
    QPalette pal = box->palette();
    pal.setColor(QPalette::Base, boxColour);
    pal.setColor(QPalette::Text, Qt::black);
    box->setPalette(pal);
    box->setTextMargins(0, -2, 0, -2);
    llbGroup_.at(static_cast<size_t>(g)) = box;
    connect(box, &QLineEdit::textChanged, this, [this, g] { LlbGroup_Change(g); });

    constexpr std::array<int, 3> kLeft{675, 1215, 1915};
    constexpr std::array<int, 3> kWidth{560, 700, 735};
    for (int kind = 0; kind < GroupLists::kKinds; ++kind) {
      auto* list = new OneLineList(frame);
      QStringList items;
      for (const std::string_view item : GroupLists::Items(kind)) {
        items << QString::fromLatin1(item.data(), static_cast<qsizetype>(item.size()));
      }
      list->setGeometry(Twips(kLeft.at(static_cast<size_t>(kind)), top,
                              kWidth.at(static_cast<size_t>(kind)), kRowHeight));
      list->setItems(items);
      lists_.at(static_cast<size_t>(kind)).at(static_cast<size_t>(g)) = list;
      connect(list, &OneLineList::valueChanged, this,
              [this, kind, g](int value) { List_Scroll(kind, g, value); });
    }

    auto* strip = new StripLabel(frame);
    strip->setGeometry(
        Twips(EditorModel::kStripLeft, top, EditorModel::kStripWidth, EditorModel::kStripHeight));
    strip->setToolTip(QString::fromLatin1(kStripTip));
    strips_.at(static_cast<size_t>(g)) = strip;
    connect(strip, &StripLabel::clicked, this, [this, s, k] { Dst_Click(s, k); });
  }
}

ChannelLabel* Editit::poolLabel(int s, int idx) const {
  return pools_.at(static_cast<size_t>(s)).at(static_cast<size_t>(idx));
}

StripLabel* Editit::strip(int s, int k) const {
  return strips_.at(static_cast<size_t>(EditorModel::kRows * s + k));
}

OneLineList* Editit::list(int kind, int g) const {
  return lists_.at(static_cast<size_t>(kind)).at(static_cast<size_t>(g));
}

// The window has no cancel button: it closes through its frame only, so Escape does nothing.
void Editit::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
    event->accept();
    return;
  }
  QDialog::keyPressEvent(event);
}

void Editit::closeEvent(QCloseEvent* event) {
  if (changed_) {
    QMessageBox box(QMessageBox::Question, QStringLiteral("Logirem"),
                    QStringLiteral("Save the changes?"),
                    QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, this);
    box.setDefaultButton(QMessageBox::Save);
    const int answer = box.exec();
    if (answer == QMessageBox::Cancel || (answer == QMessageBox::Save && !Save2File_Click())) {
      event->ignore();
      return;
    }
  }
  changed_ = false;
  QDialog::closeEvent(event);
}

int Editit::runModal() {
  Reload();
  PlaceWindow();
  return exec();
}

void Editit::PlaceWindow() {
  QWidget* owner = parentWidget();
  if (owner == nullptr) return;
  const QRect main = owner->frameGeometry();
  const int height = frameGeometry().height();
  int top = main.top() + main.height() + Px(20);
  const QScreen* screen = owner->screen() ? owner->screen() : QGuiApplication::primaryScreen();
  if (screen != nullptr && top + height > screen->geometry().height()) {
    top = main.top() - height - Px(20);
    // Never above the screen, where its title bar could not be reached to move it.
    top = std::max(top, screen->geometry().top());
  }
  move(main.left() + Px(100), top);
}

void Editit::Reload() {
  model_.Load(session_.nNm09(), session_.nNm18());
  for (int g = 0; g < EditorModel::kGroups; ++g) {
    const EditorModel::GroupSettings gs = model_.group(static_cast<int16_t>(g));
    labelBox(g)->setText(QString::fromStdString(gs.label));
    list(GroupLists::kBase, g)->setValue(gs.base);
    list(GroupLists::kInput, g)->setValue(gs.input);
    list(GroupLists::kDisplay, g)->setValue(gs.display);
  }
  for (int s = 0; s < EditorModel::kSections; ++s) {
    BuildPool(s);
    EnableSection(s, model_.SectionEnabled(static_cast<int16_t>(s)));
  }
  EnableSave();
  changed_ = false;  // filling the boxes is no edit
}

void Editit::BuildPool(int s) {
  auto& labels = pools_.at(static_cast<size_t>(s));
  for (ChannelLabel* l : labels) delete l;
  labels.clear();
  const ChannelPool& pool = model_.section(static_cast<int16_t>(s)).pool;
  QWidget* frame = frames_.at(static_cast<size_t>(s));
  for (int16_t idx = 0; idx < pool.count(); ++idx) {
    auto* l = new ChannelLabel(frame);
    l->setCaption(QString::fromStdString(pool.label(idx).caption));
    l->setToolTip(QString::fromLatin1(kLabelTip));
    connect(l, &ChannelLabel::released, this,
            [this, s, idx](int button) { SigClick(s, idx, button); });
    labels.push_back(l);
  }
  // Labels on strips stand in front of the strips, in the order of their rows.
  for (int idx = 0; idx < pool.count(); ++idx) {
    ShowLabel(s, idx);
    labels[static_cast<size_t>(idx)]->show();
  }
  for (const EditorModel::Row& row : model_.section(static_cast<int16_t>(s)).table) {
    for (const int16_t idx : row) {
      if (idx >= 0) labels[static_cast<size_t>(idx)]->raise();
    }
  }
}

void Editit::ShowLabel(int s, int idx) {
  const ChannelPool::Label& m =
      model_.section(static_cast<int16_t>(s)).pool.label(static_cast<int16_t>(idx));
  ChannelLabel* l = poolLabel(s, idx);
  l->setGeometry(Twips(m.left, m.top, ChannelPool::kWidth, ChannelPool::kHeight));
  const QColor section = FromColorRef(EditorModel::kSectionColour.at(static_cast<size_t>(s)));
  switch (m.colour) {
    case ChannelPool::Colour::Design:
      l->setLook(section, palette().color(QPalette::WindowText), m.bold);
      break;
    case ChannelPool::Colour::Normal:
      l->setLook(section, Qt::black, m.bold);
      break;
    case ChannelPool::Colour::Inverted:
      l->setLook(Qt::black, section, m.bold);
      break;
  }
}

void Editit::ShowSection(int s) {
  for (int idx = 0; idx < poolCount(s); ++idx) ShowLabel(s, idx);
}

// The section stays visible so the operator sees which card kind is missing.
void Editit::EnableSection(int s, bool enabled) {
  frames_.at(static_cast<size_t>(s))->setEnabled(enabled);
  for (QLabel* h : headers_.at(static_cast<size_t>(s))) h->setEnabled(enabled);
  for (int k = 0; k < EditorModel::kRows; ++k) {
    const int g = EditorModel::kRows * s + k;
    labelBox(g)->setEnabled(enabled);
    for (int kind = 0; kind < GroupLists::kKinds; ++kind) list(kind, g)->setEnabled(enabled);
    strip(s, k)->setEnabled(enabled);
  }
}

void Editit::EnableSave() {
  save2Tek_->setEnabled(model_.SaveEnabled());
  save2File_->setEnabled(model_.SaveEnabled());
}

void Editit::SigClick(int s, int idx, int button) {
  model_.SigClick(static_cast<int16_t>(s), static_cast<int16_t>(idx), button);
  changed_ = true;
  ShowSection(s);
  EnableSave();
}

void Editit::Dst_Click(int s, int k) {
  const int16_t placed = model_.AddToGroup(static_cast<int16_t>(s), static_cast<int16_t>(k));
  changed_ = changed_ || placed >= 0;
  if (placed >= 0) poolLabel(s, placed)->raise();
  ShowSection(s);
  EnableSave();
}

void Editit::LlbGroup_Change(int g) {
  // The box's own check may already have replaced the text this signal carries.
  std::string& label = model_.group(static_cast<int16_t>(g)).label;
  changed_ = changed_ || label != labelBox(g)->text().toStdString();
  label = labelBox(g)->text().toStdString();
}

void Editit::List_Scroll(int kind, int g, int value) {
  EditorModel::GroupSettings& gs = model_.group(static_cast<int16_t>(g));
  const auto v = static_cast<int16_t>(value);
  changed_ = true;
  switch (kind) {
    case GroupLists::kBase:
      gs.base = v;
      break;
    case GroupLists::kInput:
      gs.input = v;
      break;
    default:
      gs.display = v;
      break;
  }
}

void Editit::Save2Tek_Click() {
  model_.Edit2Mem();
  if (session_.Mem2Tek(kConfiguration)) changed_ = false;
}

bool Editit::Save2File_Click() {
  model_.Edit2Mem();
  if (session_.Mem2File(std::string(), kConfiguration, 0).empty()) return false;
  changed_ = false;
  return true;
}
