#include "device/EditRecorder.h"
#include "dialogs/CMessageboxDlg.h"
#include "mainwindow/CMainDlg.h"
#include "mainwindow/MainLog.h"
#include "shell/CorvaneApp.h"
#include "shell/Language.h"

#include <QApplication>
#include <QMenu>
#include <QShortcut>

namespace corvane {

// ---- undo and redo of the operator's edits: the keys and the menu's items

void CMainDlg::SetUpUndo() {
    // Undo and redo of the operator's edits, whichever page is shown: the keys anywhere in the
    // application (a value box's own Ctrl+Z undoes its typing first), the items in the menu.
    m_logoMenu->addSeparator();
    m_undoItem = m_logoMenu->addAction(QString(), this, [this] { UndoEdit(false); });
    m_undoItem->setObjectName(QString::fromLatin1(kUndoItemName));
    m_redoItem = m_logoMenu->addAction(QString(), this, [this] { UndoEdit(true); });
    m_redoItem->setObjectName(QString::fromLatin1(kRedoItemName));
    connect(m_logoMenu, &QMenu::aboutToShow, this, &CMainDlg::RefreshUndoItems);
    const std::pair<QKeySequence, bool> keys[] = {{QKeySequence(Qt::CTRL | Qt::Key_Z), false},
                                                  {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), true},
                                                  {QKeySequence(Qt::CTRL | Qt::Key_Y), true}};
    for (const auto& [sequence, redo] : keys) {
        auto* shortcut = new QShortcut(sequence, this);
        shortcut->setContext(Qt::ApplicationShortcut);
        connect(shortcut, &QShortcut::activated, this, [this, redo = redo] { UndoEdit(redo); });
    }
}

bool CMainDlg::UndoEdit(bool redo) {
    if (QApplication::activeModalWidget() || WaitShown())
        return false;
    if (m_app.state.linkState != kLinkSynchronised) {
        m_services.ShowMessage(MessageText(kMsgTips), MessageText(kMsgOpenSerial),
                               CMessageboxDlg::kModeInformation);
        return false;
    }
    EditRecorder& edits = *m_services.Edits();
    const std::string what = redo ? edits.RedoText() : edits.UndoText();
    if (what.empty())
        return false;
    const bool sent = redo ? edits.Redo() : edits.Undo();
    qCInfo(lcMain).noquote() << (redo ? "redo" : "undo") << QString::fromStdString(what)
                             << (sent ? "sent" : "could not be sent");
    return sent;
}

void CMainDlg::RefreshUndoItems() {
    if (!m_undoItem)
        return;
    EditRecorder& edits = *m_services.Edits();
    edits.SetChinese(m_services.LanguageName() == "Chinese");
    const std::string undo = edits.UndoText(), redo = edits.RedoText();
    const QString undoWord = QString::fromStdString(Tr("Undo", "撤销"));
    const QString redoWord = QString::fromStdString(Tr("Redo", "重做"));
    m_undoItem->setText(undo.empty() ? undoWord : undoWord + QLatin1Char(' ') + QString::fromStdString(undo));
    m_undoItem->setEnabled(!undo.empty());
    m_redoItem->setText(redo.empty() ? redoWord : redoWord + QLatin1Char(' ') + QString::fromStdString(redo));
    m_redoItem->setEnabled(!redo.empty());
}

} // namespace corvane
