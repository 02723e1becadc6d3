#include "unit1_panels.h"

namespace unit1 {

void SetText(QLabel* label, const QString& text) {
  if (label->text() != text) label->setText(text);
}

void Paint(TLabel* label, const QString& text, const QColor& color) {
  SetText(label, text);
  if (label->Color() != color || !label->autoFillBackground()) label->SetColor(color);
}

QString Hex(uint32_t value, int digits) {
  return QString::number(value, 16).toUpper().rightJustified(digits, QLatin1Char('0'));
}

QString Readout(const char* caption, bool valid, uint32_t value, int digits) {
  return QString::fromLatin1(caption) + QStringLiteral("0x") +
         (valid ? Hex(value, digits) : QString(digits, QLatin1Char('?')));
}

const AxisControls kAxes[kAxisCount] = {
    {1, "GroupBox5", &TForm1::GroupBox5, "LabelPreset1Name", &TForm1::LabelPreset1Name,
     &TForm1::RadioGroupAx1Optic, &TForm1::LabelPos1Name, &TForm1::LabelVel1Name,
     &TForm1::LabelPosData1, &TForm1::LabelVelData1, &TForm1::ButtonSample1, &TForm1::ButtonRead1,
     &TForm1::ButtonUpdate1, &TForm1::ButtonPreset1, &TForm1::EditPresetData1, &TForm1::LabelGlitch1,
     &TForm1::LabelNoSig1, &TForm1::LabelIntrGlitch1, &TForm1::LabelIntrNoSig1,
     &TForm1::LabelPosValid1, &TForm1::LabelErr1, &TForm1::LabelDir1,
     &TForm1::RadioGroupAx1OpticClick, &TForm1::ButtonRead1Click, &TForm1::ButtonUpdate1Click,
     &TForm1::LabelPosData1Click, &TForm1::LabelVelData1Click, &TForm1::ButtonPreset1Click,
     &TForm1::EditPresetData1Exit, &TForm1::EditPresetData1KeyDown},
    {2, "GroupBox13", &TForm1::GroupBox13, "Label18", &TForm1::Label18,
     &TForm1::RadioGroupAx2Optic, &TForm1::LabelPos2Name, &TForm1::LabelVel2Name,
     &TForm1::LabelPosData2, &TForm1::LabelVelData2, &TForm1::ButtonSample2, &TForm1::ButtonRead2,
     &TForm1::ButtonUpdate2, &TForm1::ButtonPreset2, &TForm1::EditPresetData2, &TForm1::LabelGlitch2,
     &TForm1::LabelNoSig2, &TForm1::LabelIntrGlitch2, &TForm1::LabelIntrNoSig2,
     &TForm1::LabelPosValid2, &TForm1::LabelErr2, &TForm1::LabelDir2,
     &TForm1::RadioGroupAx2OpticClick, &TForm1::ButtonRead2Click, &TForm1::ButtonUpdate2Click,
     &TForm1::LabelPosData2Click, &TForm1::LabelVelData2Click, &TForm1::ButtonPreset2Click,
     &TForm1::EditPresetData2Exit, &TForm1::EditPresetData2KeyDown},
    {3, "GroupBox6", &TForm1::GroupBox6, "LabelPreset3Name", &TForm1::LabelPreset3Name,
     &TForm1::RadioGroupAx3Optic, &TForm1::LabelPos3Name, &TForm1::LabelVel3Name,
     &TForm1::LabelPosData3, &TForm1::LabelVelData3, &TForm1::ButtonSample3, &TForm1::ButtonRead3,
     &TForm1::ButtonUpdate3, &TForm1::ButtonPreset3, &TForm1::EditPresetData3, &TForm1::LabelGlitch3,
     &TForm1::LabelNoSig3, &TForm1::LabelIntrGlitch3, &TForm1::LabelIntrNoSig3,
     &TForm1::LabelPosValid3, &TForm1::LabelErr3, &TForm1::LabelDir3,
     &TForm1::RadioGroupAx3OpticClick, &TForm1::ButtonRead3Click, &TForm1::ButtonUpdate3Click,
     &TForm1::LabelPosData3Click, &TForm1::LabelVelData3Click, &TForm1::ButtonPreset3Click,
     &TForm1::EditPresetData3Exit, &TForm1::EditPresetData3KeyDown},
};

}  // namespace unit1
