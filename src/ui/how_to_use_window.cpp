#include "ui/how_to_use_window.h"

#include "ui/windows.h"

#include <QFontMetricsF>
#include <QPlainTextEdit>
#include <QPushButton>

namespace grondel {

HowToUseWindow::HowToUseWindow(QWidget* parent)
    : QWidget(parent, Qt::Window) {
    setUpWindow(*this, "frmHowUse", "How To Use", 425, 337);

    txtHowToUse = new QPlainTextEdit(this);
    txtHowToUse->setObjectName("txtHowToUse");
    // The classic size, with a margin of 8 pixels round the text and the button.
    txtHowToUse->setGeometry(8, 8, 409, 280);
    txtHowToUse->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    txtHowToUse->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // Long lines wrap at word boundaries instead of running off behind a hidden scroll bar.
    txtHowToUse->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    txtHowToUse->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    // Tab stops every eight average characters, as classic text boxes set them.
    txtHowToUse->setTabStopDistance(QFontMetricsF(txtHowToUse->font()).averageCharWidth() * 8);
    txtHowToUse->setReadOnly(true);
    txtHowToUse->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    txtHowToUse->setPlainText(guideText());

    cmdOk = new QPushButton("OK", this);
    cmdOk->setObjectName("cmdOk");
    cmdOk->setGeometry(336, 296, 81, 33);
    cmdOk->setToolTip("Close the guide");
    connect(cmdOk, &QPushButton::clicked, this, &HowToUseWindow::cmdOk_Click);
    closeOnEscape(*this);
    pressOnEnter(*this, *cmdOk);

    setTabOrder(txtHowToUse, cmdOk);
}

void HowToUseWindow::cmdOk_Click() {
    close();
}

} // namespace grondel
