#pragma once
// "Éditions > Rechercher…": the words to find, where to look for them ("Objet", "Émetteur",
// "Texte", all ticked at first), the button "Rechercher" and the line that says what was
// found. It stays open beside the window while the user walks through what it found.

#include "app/MessageSearch.h"

#include <QDialog>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace glanmail::ui {

class SearchDialog : public QDialog {
    Q_OBJECT
public:
    explicit SearchDialog(QWidget* parent);

    // Shown in front, the words selected for typing over.
    void Open();
    void SetResult(const QString& text);
    // While a search runs, "Rechercher" waits for it.
    void SetSearching(bool searching);

    QLineEdit* words;
    QCheckBox *subject, *sender, *body;
    QPushButton* search;
    QLabel* result;

signals:
    void searchRequested(const QString& words, const SearchFields& fields);
};

} // namespace glanmail::ui
