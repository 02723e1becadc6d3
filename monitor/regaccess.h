// Regaccess: the direct register access dialog, TFormRegAccess. Reads and
// writes any register of the board the main window has open, by address, and
// shows a clickable register map with the bit names of the 16-bit registers.
//
// The class is one window; its implementation is split by concern:
//   regaccess.cpp         construction, the handlers, reading the boxes
//   regaccess_layout.cpp  the controls and their arrangement, signal wiring
//   regaccess_map.cpp     the drawn map and its name tables
#pragma once

#include <QDialog>
#include <QFrame>
#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "controls.h"
#include "regaccess_map.h"
#include "zemtra.h"

class QPushButton;

// An address label of the register map; it carries the kind of its register.
class TRegisterLabel : public TLabel {
  Q_OBJECT
 public:
  TRegisterLabel(const QString& caption, int kind, QWidget* parent = nullptr);
  const int Kind;
};

// A raised panel with one centred caption, coloured by the state of one bit.
class TBitPanel : public QFrame {
  Q_OBJECT
 public:
  explicit TBitPanel(QWidget* parent = nullptr);
  void SetCaption(const QString& caption);
  QString Caption() const;
  void SetColor(const QColor& color);
  QColor Color() const;

 private:
  QLabel* caption_;
};

inline const QColor kColorSelectedAddress{0, 255, 255};  // aqua
inline const QColor kColorBitSet{192, 220, 192};         // light green
inline const QColor kColorFailure{255, 0, 0};

class TFormRegAccess : public QDialog {
  Q_OBJECT

 public:
  // cardHandle points at the main window's CardHandle; it is read at the
  // moment of each operation, so the dialog follows card re-selection.
  explicit TFormRegAccess(const DeviceHandle* cardHandle, QWidget* parent = nullptr);

  // ---- Handlers -----------------------------------------------------------
  void FormCreate(QObject* Sender);
  void ButtonSend16Click(QObject* Sender);
  void ButtonSend32Click(QObject* Sender);
  void ButtonRead16Click(QObject* Sender);
  void ButtonRead32Click(QObject* Sender);
  void ButtonCopyClick(QObject* Sender);
  void ButtonShowHideClick(QObject* Sender);
  void ButtonCloseClick(QObject* Sender);
  void LabelRegDefClick(QObject* Sender);
  void EditAddrEnter(QObject* Sender);

  // ---- Controls -----------------------------------------------------------
  QLabel* Label1 = nullptr;  // "Address:"
  QLineEdit* EditAddr = nullptr;
  QLabel* Label2 = nullptr;  // "Data to Send:"
  QLineEdit* EditDataSend = nullptr;
  QLabel* Label79 = nullptr;  // "<<"
  QLabel* Label3 = nullptr;   // "Received Data:"
  QLineEdit* EditDataRcvd = nullptr;
  QPushButton* ButtonSend16 = nullptr;
  QPushButton* ButtonSend32 = nullptr;
  QPushButton* ButtonRead16 = nullptr;
  QPushButton* ButtonRead32 = nullptr;
  QPushButton* ButtonCopy = nullptr;
  QPushButton* ButtonShowHide = nullptr;
  QPushButton* ButtonClose = nullptr;
  QLabel* LabelFuncRtn = nullptr;
  QLabel* Label19 = nullptr;  // "Register Map (click address to select)"
  std::vector<TRegisterLabel*> AddressLabels;
  QLabel* LabelRegisterName = nullptr;
  QLabel* UpperBitsLbl = nullptr;
  QLabel* LowerBitsLbl = nullptr;
  TBitPanel *Panel1 = nullptr, *Panel2 = nullptr, *Panel3 = nullptr, *Panel4 = nullptr,
            *Panel5 = nullptr, *Panel6 = nullptr, *Panel7 = nullptr, *Panel8 = nullptr,
            *Panel9 = nullptr, *Panel10 = nullptr, *Panel11 = nullptr, *Panel12 = nullptr,
            *Panel13 = nullptr, *Panel14 = nullptr, *Panel15 = nullptr, *Panel16 = nullptr;
  // Panel1 .. Panel16: bit 15 first.
  std::array<TBitPanel*, regaccess::kBitCount> BitPanels{};

  // ---- Dialog state -------------------------------------------------------
  TRegisterLabel* SelectedMapEntry = nullptr;
  bool DefinitionsShown = false;
  int ShowHideFlag = 0;  // 0 = map shown
  std::array<QString, regaccess::kDefinedKindCount> RegisterNameTable;
  std::array<regaccess::BitNames, regaccess::kDefinedKindCount> BitDefinitionTable;

  // The two fixed widths of the dialog: map hidden, map shown.
  static constexpr int kMinWidth = 210;
  static constexpr int kMaxWidth = 550;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  using RegisterReader = ErrorCode (*)(DeviceHandle, int32_t, uint32_t*);
  using RegisterWriter = ErrorCode (*)(DeviceHandle, int32_t, uint32_t);
  struct ReadOutcome {
    ErrorCode code;
    uint32_t value;
  };

  void BuildControls();
  QWidget* BuildEntryBlock();
  QWidget* BuildMapBlock();
  void BuildBitBlock(int top);
  DeviceHandle CurrentHandle() const;
  std::optional<int32_t> AddressFromBox();
  std::optional<uint32_t> ValueFromBox();
  void ShowResult(ErrorCode code);
  void ShowFailure(const QString& text);
  void Send(RegisterWriter write);
  // Steps shared by both reads; nullopt when the address box was refused.
  std::optional<ReadOutcome> ReadIntoReceivedBox(RegisterReader read, int digits);
  void ClearBitDefinitions();
  void PaintBits(std::optional<uint16_t> value);
  void ReleaseSelection();

  // Panel1 .. Panel16 by position, bit 15 first.
  static const std::array<TBitPanel* TFormRegAccess::*, regaccess::kBitCount> kPanelMembers;

  const DeviceHandle* CardHandle;
};

extern TFormRegAccess* FormRegAccess;
