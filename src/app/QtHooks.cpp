// The window's hooks for the core.
#include "app/QtHooks.h"

#include "app/Show_Dlg.h"
#include "app/TarnDlg.h"
#include "app/WindowCore.h"
#include "controls/MessageEvent.h"
#include "model/Model.h"
#include "protocol/Protocol.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QThread>

namespace kel {

namespace {

QMessageBox::Icon ToQt(BoxIcon icon) {
    switch (icon) {
    case BoxIcon::Information:
        return QMessageBox::Information;
    case BoxIcon::Warning:
        return QMessageBox::Warning;
    case BoxIcon::Error:
        return QMessageBox::Critical;
    case BoxIcon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

bool OnUi() {
    return QCoreApplication::instance() != nullptr && QThread::currentThread() == qApp->thread();
}

} // namespace

CQtHooks::CQtHooks(CTarnDlg& window, CShow_Dlg& progress, WindowCore& core)
    : m_window(&window), m_progress(&progress), m_core(core) {
    m_presentBox = [this](const QString& text, const QString& caption, BoxIcon icon) {
        QMessageBox box(ToQt(icon), caption, text, QMessageBox::Ok, m_window.data());
        box.exec();
    };
}

void CQtHooks::OnUiThread(std::function<void()> work) {
    if (OnUi()) {
        work();
    } else if (m_window) {
        QMetaObject::invokeMethod(m_window.data(), std::move(work), Qt::QueuedConnection);
    }
}

void CQtHooks::PostMessage(int message, std::intptr_t wParam, std::intptr_t lParam) {
    PostMessageTo(m_window.data(), message, wParam, lParam);
}

bool CQtHooks::HasWindow() const {
    return !m_window.isNull();
}

void CQtHooks::MessageBox(const std::string& text, const std::string& caption, BoxIcon icon) {
    // A worker thread hands the box over and goes on: it may hold ImageLock, which the window needs.
    OnUiThread([this, t = QString::fromStdString(text), c = QString::fromStdString(caption), icon] {
        m_presentBox(t, c, icon);
    });
}

std::optional<std::string> CQtHooks::ChooseFile(bool save, const std::string& initialPath,
                                                const std::string& filter) {
    if (!OnUi()) {
        return std::nullopt; // only the UI thread asks the user
    }
    const QString initial = QFile::decodeName(QByteArray::fromStdString(initialPath));
    const QFileInfo info(initial);
    const QString folder = info.fileName().contains(QLatin1Char('*')) ? info.absolutePath() : initial;
    const QString patterns = QString::fromStdString(filter);
    const QString path = save ? QFileDialog::getSaveFileName(m_window.data(), QString(), folder, patterns)
                              : QFileDialog::getOpenFileName(m_window.data(), QString(), folder, patterns);
    if (path.isEmpty()) {
        return std::nullopt;
    }
    return QFile::encodeName(path).toStdString();
}

std::optional<std::string> CQtHooks::ChooseOpenFile(const std::string& initialPath,
                                                    const std::string& filter) {
    return ChooseFile(false, initialPath, filter);
}

std::optional<std::string> CQtHooks::ChooseSaveFile(const std::string& initialPath,
                                                    const std::string& filter) {
    return ChooseFile(true, initialPath, filter);
}

void CQtHooks::ShowLookup() {
    OnUiThread([p = m_progress] {
        if (p) {
            p->ShowLookup();
        }
    });
}

void CQtHooks::EndLookup() {
    OnUiThread([p = m_progress] {
        if (p) {
            p->EndLookup();
        }
    });
}

void CQtHooks::BeginProgress(int total) {
    std::vector<TransferStep> steps;
    {
        // The numbered frames are the queue as it stands now (the caller has just numbered it).
        ImageLockGuard lock(ImageLock());
        steps = TransferSteps(TheProtocol().Queue());
    }
    if (static_cast<int>(steps.size()) != total) {
        steps.clear(); // not the frames the bar counts: no step line
    }
    OnUiThread([p = m_progress, total, steps = std::move(steps)]() mutable {
        if (p) {
            p->BeginProgress(total, std::move(steps));
        }
    });
}

void CQtHooks::StepProgress(int position) {
    OnUiThread([p = m_progress, position] {
        if (p) {
            p->StepProgress(position);
        }
    });
}

void CQtHooks::ShowBusy() {
    OnUiThread([p = m_progress] {
        if (p) {
            p->ShowBusy();
        }
    });
}

void CQtHooks::Hide() {
    OnUiThread([p = m_progress] {
        if (p) {
            p->Hide();
        }
    });
}

void CQtHooks::SaveAllPresets() {
    OnUiThread([this] { m_core.SaveAllPresets(); });
}

void CQtHooks::ReloadPasswordEntry() {
    OnUiThread([w = m_window] {
        if (w) {
            w->ReloadPasswordEntry();
        }
    });
}

void CQtHooks::UpdateStatus(bool withName) {
    OnUiThread([w = m_window, withName] {
        if (w) {
            w->UpdateStatus(withName);
        }
    });
}

void CQtHooks::RefreshAll() {
    OnUiThread([w = m_window] {
        if (w) {
            w->RefreshAll();
        }
    });
}

void CQtHooks::ConnectionChanged() {
    OnUiThread([w = m_window] {
        if (w) {
            w->ConnectionChanged();
        }
    });
}

} // namespace kel
