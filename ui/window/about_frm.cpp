#include "about_frm.h"

#include <QCloseEvent>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "main_frm.h"
#include "product.h"

namespace torvex {

namespace {

QLabel* AddLabel(QVBoxLayout* layout, QWidget* parent, const char* name, const QString& text = QString()) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setAlignment(Qt::AlignHCenter);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);  // addresses can be copied
    layout->addWidget(label);
    return label;
}

}  // namespace

AboutFrm::AboutFrm(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("AboutFrm"));
    const QString product = QString::fromUtf8(ProductName);
    setWindowTitle(QStringLiteral("About ") + product);
    setModal(true);

    auto* layout = new QVBoxLayout(this);
    AddLabel(layout, this, "Label1", QStringLiteral("For further details on ") + product);
    AddLabel(layout, this, "Label2", QStringLiteral("Please visit the %1 homepage on the WWW at").arg(product));
    HomePageDetails = AddLabel(layout, this, "HomePageDetails");
    layout->addSpacing(8);
    AddLabel(layout, this, "Label3", QStringLiteral("or mail the author, %1 at").arg(QString::fromUtf8(AuthorName)));
    AddLabel(layout, this, "Label4", QString::fromUtf8(AuthorMailAddress));
    layout->addSpacing(8);
    AddLabel(layout, this, "Label5", QStringLiteral("Thank you for trying out %1!").arg(product));
    QLabel* suggestions = AddLabel(
        layout, this, "Label6",
        QStringLiteral("Please let us know if you have any comments or suggestions for improving the product"));
    suggestions->setWordWrap(true);  // over two lines in the width of the texts above
    layout->addSpacing(8);

    OkButton = new QPushButton(QStringLiteral("Ok"), this);
    OkButton->setObjectName(QStringLiteral("OkButton"));
    OkButton->setDefault(true);
    layout->addWidget(OkButton, 0, Qt::AlignHCenter);
    connect(OkButton, &QPushButton::clicked, this, &AboutFrm::OkButton_Click);

    Form_Load();
}

void AboutFrm::Form_Load() { HomePageDetails->setText(QString::fromUtf8(HomePageAddress)); }

// Hidden, not closed: the box is kept for the next time.
void AboutFrm::OkButton_Click() { hide(); }

void AboutFrm::reject() { OkButton->click(); }

void AboutFrm::closeEvent(QCloseEvent* event) {
    Form_QueryUnload(event->spontaneous() ? UnloadMode::CloseBox : UnloadMode::Program);
    event->accept();
}

void AboutFrm::Form_QueryUnload(UnloadMode mode) {
    if (mode == UnloadMode::CloseBox)
        closed_by_close_box_ = true;
    else
        emit EndProgram();
}

}  // namespace torvex
