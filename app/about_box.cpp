#include "app/about_box.h"

#include <QEvent>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

#include "app/artwork.h"
#include "app/main/design_panel.h"
#include "platform/design_scale.h"

namespace {

constexpr int kFontPixels = 14;

QLabel* MakeLabel(const QString& text, const char* name) {
  auto* label = new QLabel(text);
  label->setObjectName(QString::fromLatin1(name));
  return label;
}

}  // namespace

TZIRTAboutBox::TZIRTAboutBox(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("ZIRTAboutBox"));
  setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                 Qt::WindowCloseButtonHint);
  const double scale = zirt::DesignScaleOf(*this);
  auto px = [scale](int design) { return zirt::ScaleDesign(design, scale); };
  QFont font = this->font();
  font.setPixelSize(px(kFontPixels));
  setFont(font);

  auto* form = new zirt::DesignPanel(scale, QSize(316, 193), this);
  form->setFrameStyle(QFrame::NoFrame);
  Panel1 = new zirt::DesignPanel(scale, QSize(295, 127));
  Panel1->setObjectName(QStringLiteral("Panel1"));
  Panel1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  Panel1->setLineWidth(2);
  form->Place(Panel1, QRect(11, 10, 295, 127), zirt::DesignPanel::kLeft | zirt::DesignPanel::kTop);

  ProgramIcon = MakeLabel(QString(), "ProgramIcon");
  ProgramIcon->setPixmap(zirt::MakeWindowIcon().pixmap(px(80), px(70)));
  ProgramIcon->setScaledContents(true);
  Panel1->Place(ProgramIcon, QRect(10, 10, 80, 70),
                zirt::DesignPanel::kLeft | zirt::DesignPanel::kTop);
  ProductName = MakeLabel(QStringLiteral("ZIRT"), "ProductName");
  QFont bold = font;
  bold.setBold(true);
  ProductName->setFont(bold);
  Panel1->Place(ProductName, QRect(108, 13, 180, 20),
                zirt::DesignPanel::kLeft | zirt::DesignPanel::kTop);
  Label3 = MakeLabel(QStringLiteral("zirt.example.org"), "Label3");
  Panel1->Place(Label3, QRect(108, 35, 180, 20),
                zirt::DesignPanel::kLeft | zirt::DesignPanel::kTop);
  Version = MakeLabel(QStringLiteral("Version 1.0.0"), "Version");
  Panel1->Place(Version, QRect(108, 58, 180, 20),
                zirt::DesignPanel::kLeft | zirt::DesignPanel::kTop);
  Label1 = MakeLabel(QString(), "Label1");
  Panel1->Place(Label1, QRect(52, 81, 240, 20), zirt::DesignPanel::kLeft | zirt::DesignPanel::kTop);
  Label2 = MakeLabel(QString(), "Label2");
  Panel1->Place(Label2, QRect(130, 105, 160, 20),
                zirt::DesignPanel::kLeft | zirt::DesignPanel::kTop);

  OKButton = new QPushButton(QStringLiteral("OK"));
  OKButton->setObjectName(QStringLiteral("OKButton"));
  OKButton->setDefault(true);
  form->Place(OKButton, QRect(110, 151, 92, 30),
              zirt::DesignPanel::kLeft | zirt::DesignPanel::kTop);
  connect(OKButton, &QPushButton::clicked, this, &QDialog::accept);

  RetranslateUi();
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(form);
  setFixedSize(px(316), px(193));
}

void TZIRTAboutBox::RetranslateUi() {
  setWindowTitle(tr("О программе"));
  Label1->setText(tr("Калибровка главной точки"));
  Label2->setText(tr("© Авторы ZIRT, 2026"));
}

void TZIRTAboutBox::changeEvent(QEvent* event) {
  QDialog::changeEvent(event);
  // Made once at start-up and kept: a language switch reaches it hidden.
  if (event->type() == QEvent::LanguageChange && Label1 != nullptr) RetranslateUi();
}
