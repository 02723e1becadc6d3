// The direct register access dialog's controls and their arrangement. The
// address, data, buttons and result line fill the left 210 pixels, so that
// the narrow form of the dialog keeps exactly them; the register map lies to
// their right and the bit panels across the bottom, where only the row
// captions and the leftmost panel of each row reach into the narrow form.
#include <QEvent>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>
#include <utility>

#include "regaccess.h"

namespace {

template <typename Widget>
Widget* Named(const char* name, const QString& caption, QWidget* parent) {
  auto* widget = new Widget(caption, parent);
  widget->setObjectName(QString::fromLatin1(name));
  return widget;
}

void Embolden(QLabel* label, bool underline) {
  QFont font = label->font();
  font.setBold(true);
  font.setUnderline(underline);
  label->setFont(font);
}

constexpr int kMargin = 8;
constexpr int kBitRowHeight = 38;
constexpr int kPanelWidth = 46;
constexpr int kPanelPitch = 48;
// The second panel of a row starts at the narrow form's right edge.
constexpr int kFirstPanelLeft = TFormRegAccess::kMinWidth - kPanelPitch;

}  // namespace

TRegisterLabel::TRegisterLabel(const QString& caption, int kind, QWidget* parent)
    : TLabel(caption, parent), Kind(kind) {
  setObjectName(QStringLiteral("LabelReg") + caption);
  setCursor(Qt::PointingHandCursor);
  setAlignment(Qt::AlignCenter);
}

TBitPanel::TBitPanel(QWidget* parent) : QFrame(parent), caption_(new QLabel(this)) {
  setFrameStyle(QFrame::Panel | QFrame::Raised);
  setAutoFillBackground(true);
  caption_->setAlignment(Qt::AlignCenter);
  caption_->setWordWrap(true);
  QFont font = caption_->font();
  font.setPointSizeF(font.pointSizeF() - 1);
  caption_->setFont(font);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(1, 1, 1, 1);
  layout->addWidget(caption_);
}

void TBitPanel::SetCaption(const QString& caption) { caption_->setText(caption); }
QString TBitPanel::Caption() const { return caption_->text(); }

void TBitPanel::SetColor(const QColor& color) {
  QPalette palette = this->palette();
  palette.setColor(QPalette::Window, color);
  setPalette(palette);
}
QColor TBitPanel::Color() const { return palette().color(QPalette::Window); }

void TFormRegAccess::BuildControls() {
  setObjectName(QStringLiteral("FormRegAccess"));
  setWindowTitle(QStringLiteral("Direct Register Access"));
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
  setProperty("helpContext", 11);
  QPalette tooltip = palette();
  tooltip.setColor(QPalette::Window, tooltip.color(QPalette::ToolTipBase));
  tooltip.setColor(QPalette::WindowText, tooltip.color(QPalette::ToolTipText));
  setPalette(tooltip);
  setAutoFillBackground(true);

  QWidget* entry = BuildEntryBlock();
  QWidget* map = BuildMapBlock();
  const int top = std::max(entry->sizeHint().height(), map->sizeHint().height());
  entry->setGeometry(0, 0, kMinWidth, top);
  map->setGeometry(kMinWidth, 0, kMaxWidth - kMinWidth, top);
  BuildBitBlock(top);

  setFixedSize(kMaxWidth, LowerBitsLbl->geometry().bottom() + 1 + kMargin);

  connect(ButtonSend16, &QPushButton::clicked, this, [this] { ButtonSend16Click(ButtonSend16); });
  connect(ButtonSend32, &QPushButton::clicked, this, [this] { ButtonSend32Click(ButtonSend32); });
  connect(ButtonRead16, &QPushButton::clicked, this, [this] { ButtonRead16Click(ButtonRead16); });
  connect(ButtonRead32, &QPushButton::clicked, this, [this] { ButtonRead32Click(ButtonRead32); });
  connect(ButtonCopy, &QPushButton::clicked, this, [this] { ButtonCopyClick(ButtonCopy); });
  connect(ButtonShowHide, &QPushButton::clicked, this, [this] { ButtonShowHideClick(ButtonShowHide); });
  connect(ButtonClose, &QPushButton::clicked, this, [this] { ButtonCloseClick(ButtonClose); });
  for (TRegisterLabel* label : AddressLabels)
    connect(label, &TLabel::clicked, this, [this](QObject* sender) { LabelRegDefClick(sender); });
  EditAddr->installEventFilter(this);
}

QWidget* TFormRegAccess::BuildEntryBlock() {
  auto* block = new QWidget(this);
  auto* grid = new QGridLayout(block);
  grid->setContentsMargins(kMargin, kMargin, kMargin, kMargin);
  grid->setHorizontalSpacing(2);
  grid->setColumnStretch(0, 1);
  grid->setColumnStretch(2, 1);

  Label1 = Named<QLabel>("Label1", QStringLiteral("Address:"), block);
  EditAddr = Named<QLineEdit>("EditAddr", QStringLiteral("0x0000"), block);
  Label2 = Named<QLabel>("Label2", QStringLiteral("Data to Send:"), block);
  EditDataSend = Named<QLineEdit>("EditDataSend", QStringLiteral("0x0000"), block);
  Label79 = Named<QLabel>("Label79", QStringLiteral("<<"), block);
  Embolden(Label79, false);
  Label79->setAlignment(Qt::AlignCenter);
  Label3 = Named<QLabel>("Label3", QStringLiteral("Received Data:"), block);
  EditDataRcvd = Named<QLineEdit>("EditDataRcvd", QString(), block);
  ButtonCopy = Named<QPushButton>("ButtonCopy", QStringLiteral("Copy Rcvd Data"), block);
  ButtonSend16 = Named<QPushButton>("ButtonSend16", QStringLiteral("Send 16 Bits"), block);
  ButtonSend32 = Named<QPushButton>("ButtonSend32", QStringLiteral("Send 32 Bits"), block);
  ButtonRead16 = Named<QPushButton>("ButtonRead16", QStringLiteral("Read 16 Bits"), block);
  ButtonRead32 = Named<QPushButton>("ButtonRead32", QStringLiteral("Read 32 Bits"), block);
  ButtonShowHide = Named<QPushButton>("ButtonShowHide", QStringLiteral("Hide Addr Map"), block);
  ButtonClose = Named<QPushButton>("ButtonClose", QStringLiteral("&Close"), block);
  LabelFuncRtn = Named<QLabel>("LabelFuncRtn", QString(), block);
  LabelFuncRtn->setWordWrap(true);
  LabelFuncRtn->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  LabelFuncRtn->setMinimumHeight(3 * LabelFuncRtn->fontMetrics().height());

  // Enter in a box must never press a button: it could write a register.
  for (QPushButton* button : block->findChildren<QPushButton*>()) button->setAutoDefault(false);

  // Columns: data to send | "<<" | received data; the arrow shows the copy's direction.
  grid->addWidget(Label1, 0, 0, 1, 3);
  grid->addWidget(EditAddr, 1, 0);
  grid->addWidget(Label2, 2, 0);
  grid->addWidget(Label3, 2, 1, 1, 2, Qt::AlignRight);
  grid->addWidget(EditDataSend, 3, 0);
  grid->addWidget(Label79, 3, 1);
  grid->addWidget(EditDataRcvd, 3, 2);
  grid->addWidget(ButtonCopy, 4, 1, 1, 2);
  grid->setRowMinimumHeight(5, kMargin);

  // Button rows; "Hide Addr Map" gets the wider share of its row.
  const std::pair<QPushButton*, QPushButton*> buttonRows[] = {
      {ButtonSend16, ButtonSend32}, {ButtonRead16, ButtonRead32}, {ButtonShowHide, ButtonClose}};
  int row = 6;
  for (const auto& [left, right] : buttonRows) {
    auto* line = new QHBoxLayout;
    line->setSpacing(4);
    line->addWidget(left, left == ButtonShowHide ? 3 : 1);
    line->addWidget(right, right == ButtonClose ? 2 : 1);
    grid->addLayout(line, row++, 0, 1, 3);
  }
  grid->setRowMinimumHeight(row++, kMargin / 2);
  grid->addWidget(LabelFuncRtn, row++, 0, 1, 3);
  grid->setRowStretch(row, 1);
  return block;
}

QWidget* TFormRegAccess::BuildMapBlock() {
  auto* block = new QWidget(this);
  auto* column = new QVBoxLayout(block);
  column->setContentsMargins(kMargin, kMargin, kMargin, kMargin);

  Label19 = Named<QLabel>("Label19", QStringLiteral("Register Map (click address to select)"), block);
  Embolden(Label19, true);
  Label19->setToolTip(QStringLiteral(
      "Clicking an address sets address box, shows bit definitions, and reads register"));
  column->addWidget(Label19);

  for (const regaccess::MapSection& section : regaccess::BuildMapSections()) {
    auto* grid = new QGridLayout;
    grid->setVerticalSpacing(1);
    grid->setColumnStretch(0, 1);
    for (int col = 0; col < section.headings.size(); ++col) {
      auto* heading = new QLabel(section.headings[col], block);
      Embolden(heading, true);
      heading->setAlignment(Qt::AlignCenter);
      grid->addWidget(heading, 0, col + 1);
      grid->setColumnMinimumWidth(col + 1, 48);
    }
    for (int row = 0; row < static_cast<int>(section.rows.size()); ++row) {
      const regaccess::MapRow& mapRow = section.rows[row];
      auto* caption = new QLabel(mapRow.caption, block);
      caption->setTextFormat(Qt::PlainText);
      grid->addWidget(caption, row + 1, 0);
      for (int col = 0; col < static_cast<int>(mapRow.offsets.size()); ++col) {
        const int32_t offset = mapRow.offsets[col];
        if (offset == regaccess::kNoRegister) continue;
        auto* label = new TRegisterLabel(regaccess::AddressCaption(offset),
                                         regaccess::KindOfRegister(offset), block);
        AddressLabels.push_back(label);
        grid->addWidget(label, row + 1, col + 1);
      }
    }
    column->addSpacing(kMargin / 2);
    column->addLayout(grid);
  }
  column->addStretch(1);
  return block;
}

void TFormRegAccess::BuildBitBlock(int top) {
  LabelRegisterName = Named<QLabel>("LabelRegisterName", QString(), this);
  Embolden(LabelRegisterName, true);
  LabelRegisterName->setGeometry(kMinWidth, top, kMaxWidth - kMinWidth - kMargin, 22);

  UpperBitsLbl = Named<QLabel>("UpperBitsLbl", QStringLiteral("Bits 15 ... 8"), this);
  LowerBitsLbl = Named<QLabel>("LowerBitsLbl", QStringLiteral("Bits   7 ... 0"), this);
  const int rowTop[] = {top + 26, top + 26 + kBitRowHeight + 4};
  UpperBitsLbl->setGeometry(kMargin, rowTop[0], kFirstPanelLeft - 2 * kMargin, kBitRowHeight);
  LowerBitsLbl->setGeometry(kMargin, rowTop[1], kFirstPanelLeft - 2 * kMargin, kBitRowHeight);

  for (int i = 0; i < regaccess::kBitCount; ++i) {
    auto* panel = new TBitPanel(this);
    panel->setObjectName(QStringLiteral("Panel%1").arg(i + 1));
    panel->setGeometry(kFirstPanelLeft + (i % 8) * kPanelPitch, rowTop[i / 8], kPanelWidth,
                       kBitRowHeight);
    this->*kPanelMembers[i] = panel;
  }
}
