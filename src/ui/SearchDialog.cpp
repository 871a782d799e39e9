#include "ui/SearchDialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace glanmail::ui {

SearchDialog::SearchDialog(QWidget* parent)
    : QDialog(parent), words(new QLineEdit(this)), subject(new QCheckBox(QStringLiteral("&Objet"), this)),
      sender(new QCheckBox(QString::fromUtf8("É&metteur"), this)), body(new QCheckBox(QStringLiteral("&Texte"), this)),
      search(new QPushButton(QStringLiteral("&Rechercher"), this)), result(new QLabel(this)) {
    setObjectName(QStringLiteral("dlgSearch"));
    setWindowTitle(QStringLiteral("Rechercher"));
    words->setObjectName(QStringLiteral("txtSearch"));
    words->setAccessibleName(QStringLiteral("Mots à rechercher"));
    words->setClearButtonEnabled(true);
    for (QCheckBox* box : {subject, sender, body}) {
        box->setChecked(true);
    }
    search->setObjectName(QStringLiteral("cmdSearch"));
    search->setDefault(true);
    result->setObjectName(QStringLiteral("lblFound"));

    auto* label = new QLabel(QStringLiteral("&Mots :"), this);
    label->setBuddy(words);
    auto* line = new QHBoxLayout;
    line->addWidget(label);
    line->addWidget(words, 1);
    line->addWidget(search);
    auto* where = new QHBoxLayout;
    where->addWidget(new QLabel(QStringLiteral("Dans :"), this));
    for (QCheckBox* box : {subject, sender, body}) {
        where->addWidget(box);
    }
    where->addStretch(1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(line);
    layout->addLayout(where);
    layout->addWidget(result);

    connect(search, &QPushButton::clicked, this, [this] {
        SearchFields fields;
        fields.subject = subject->isChecked();
        fields.sender = sender->isChecked();
        fields.body = body->isChecked();
        emit searchRequested(words->text(), fields);
    });
    resize(460, sizeHint().height());
}

void SearchDialog::Open() {
    show();
    raise();
    activateWindow();
    words->setFocus();
    words->selectAll();
}

void SearchDialog::SetResult(const QString& text) {
    result->setText(text);
}

void SearchDialog::SetSearching(bool searching) {
    search->setEnabled(!searching);
    if (searching) {
        result->setText(QString::fromUtf8("Recherche dans les textes… (Échap pour arrêter)"));
    }
}

} // namespace glanmail::ui
