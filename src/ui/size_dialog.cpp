#include "ui/size_dialog.h"

#include "commands/main_commands.h"
#include "ui/windows.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace grondel {

SizeDialog::SizeDialog(MainCommands& commands, QWidget* parent)
    : QWidget(parent, Qt::Dialog)
    , commands_(commands) {
    setUpWindow(*this, "frmHMSize", "Heightmap Size", 210, 82);

    Label1 = new QLabel("What size would you like the heightmap:", this);
    Label1->setObjectName("Label1");
    Label1->setGeometry(8, 8, 193, 17);

    cboSize = new QComboBox(this);
    cboSize->setObjectName("cboSize");
    cboSize->setGeometry(8, 24, 193, 21);
    cboSize->setEditable(true);
    // Typing a size and pressing Enter must not grow the list.
    cboSize->setInsertPolicy(QComboBox::NoInsert);
    for (const int edge : kOfferedEdges)
        cboSize->addItem(sizeText(edge));
    // The picture's own edge where it has one of the offered sizes.
    cboSize->setCurrentText(sizeText(commands_.suggestedEdge()));
    cboSize->setToolTip("The grid edge: the editor model takes the top-left square this big");
    Label1->setBuddy(cboSize);

    cmdOk = new QPushButton("OK", this);
    cmdOk->setObjectName("cmdOk");
    cmdOk->setGeometry(136, 48, 65, 25);
    cmdOk->setToolTip("Sample the picture at this size");
    connect(cmdOk, &QPushButton::clicked, this, &SizeDialog::cmdOk_Click);
    // Enter after typing a size means OK, as it would in a dialog box.
    connect(cboSize->lineEdit(), &QLineEdit::returnPressed, cmdOk, &QPushButton::click);

    setTabOrder(cboSize, cmdOk);
    closeOnEscape(*this);
    cboSize->setFocus();
    fitLabels(*this);
}

void SizeDialog::cmdOk_Click() {
    // A size that matches none is answered with the ones there are, and the dialog stays.
    if (commands_.generateHeightmap(edgeForSizeText(cboSize->currentText())))
        close();
}

} // namespace grondel
