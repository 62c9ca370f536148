#pragma once

#include <QComboBox>

// The port box: an editable combo box that says when its list is about to drop down, so
// the list can show the ports present at that moment.
class PortBox : public QComboBox {
    Q_OBJECT
public:
    using QComboBox::QComboBox;

    void showPopup() override
    {
        Q_EMIT aboutToShowList();
        QComboBox::showPopup();
    }

Q_SIGNALS:
    void aboutToShowList();
};
