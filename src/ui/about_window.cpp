#include "ui/about_window.h"

#include "ui/windows.h"

#include <QGroupBox>
#include <QLabel>
#include <QPushButton>

namespace grondel {
namespace {

QLabel* makeLabel(QWidget* frame, const char* name, const QString& text, QRect geometry) {
    auto* label = new QLabel(text, frame);
    label->setObjectName(name);
    label->setGeometry(geometry);
    return label;
}

} // namespace

AboutWindow::AboutWindow(QWidget* parent)
    : QWidget(parent, Qt::Window) {
    // The classic layout with a margin of 8 pixels all round.
    setUpWindow(*this, "frmAbout", "About", 201, 121);

    freAbout = new QGroupBox("About", this);
    freAbout->setObjectName("freAbout");
    freAbout->setGeometry(8, 8, 185, 65);

    Label1 = makeLabel(freAbout, "Label1", "Grondel", {8, 16, 97, 17});
    Label2 = makeLabel(freAbout, "Label2", "Jan. 2004", {8, 32, 153, 17});
    Label3 =
        makeLabel(freAbout, "Label3", QStringLiteral("Ver. " GRONDEL_VERSION), {112, 16, 65, 25});
    Label3->setFont(versionFont());
    // As wide as the frame allows.
    Label4 = makeLabel(freAbout, "Label4", "Grondel team", {112, 40, 70, 17});

    cmdOk = new QPushButton("OK", this);
    cmdOk->setObjectName("cmdOk");
    cmdOk->setGeometry(96, 80, 97, 33);
    cmdOk->setToolTip("Close this window");
    connect(cmdOk, &QPushButton::clicked, this, &AboutWindow::cmdOk_Click);
    closeOnEscape(*this);
    pressOnEnter(*this, *cmdOk);
    cmdOk->setFocus();
    fitLabels(*this);
}

void AboutWindow::cmdOk_Click() {
    close();
}

} // namespace grondel
