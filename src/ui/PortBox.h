// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QComboBox>
#include <QLineEdit>
#include <QSignalBlocker>

// The port box: an editable combo box that says when its list is about to drop down, so
// the list can show the ports present at that moment.
class PortBox : public QComboBox {
    Q_OBJECT
public:
    using QComboBox::QComboBox;

    // Sets the list to these ports, each a name and its tooltip; the typed text and its
    // cursor stay as they were.
    void setPorts(const QList<std::pair<QString, QString>>& ports)
    {
        const QString text = lineEdit()->text();
        const int cursor = lineEdit()->cursorPosition();
        const QSignalBlocker blocker(this);
        clear();
        for (const auto& [name, toolTip] : ports) {
            addItem(name);
            setItemData(count() - 1, toolTip, Qt::ToolTipRole);
        }
        setCurrentIndex(-1);
        lineEdit()->setText(text);
        lineEdit()->setCursorPosition(cursor);
    }

    void showPopup() override
    {
        Q_EMIT aboutToShowList();
        QComboBox::showPopup();
    }

Q_SIGNALS:
    void aboutToShowList();
};
