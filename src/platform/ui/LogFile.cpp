#include "platform/ui/LogFile.h"

#include <QDateTime>
#include <QFile>
#include <QString>
#include <QtGlobal>
#include <memory>
#include <mutex>

namespace corvane {

namespace {

struct LogFileState {
    std::mutex mutex;
    std::unique_ptr<QFile> file;
    QString path;
    std::int64_t limit = kLogFileLimitBytes;
    QtMessageHandler previous = nullptr;
};

LogFileState& State() {
    static LogFileState state;
    return state;
}

const char* LevelName(QtMsgType type) {
    switch (type) {
    case QtDebugMsg:
        return "debug";
    case QtInfoMsg:
        return "info";
    case QtWarningMsg:
        return "warning";
    case QtCriticalMsg:
        return "critical";
    case QtFatalMsg:
        return "fatal";
    }
    return "?";
}

bool OpenLocked(LogFileState& s) {
    auto file = std::make_unique<QFile>(s.path);
    if (!file->open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text))
        return false;
    s.file = std::move(file);
    return true;
}

// The full file becomes <file>.1; writing goes on in a new one.
void RotateLocked(LogFileState& s) {
    s.file.reset();
    const QString kept = s.path + QStringLiteral(".1");
    QFile::remove(kept);
    QFile::rename(s.path, kept);
    OpenLocked(s);
}

void Handler(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    LogFileState& s = State();
    QtMessageHandler previous = nullptr;
    {
        std::lock_guard lock(s.mutex);
        previous = s.previous;
        if (s.file) {
            const QString line =
                QStringLiteral("%1 %2 %3: %4\n")
                    .arg(QDateTime::currentDateTime().toString(Qt::ISODateWithMs),
                         QLatin1String(LevelName(type)),
                         QLatin1String(context.category ? context.category : "default"), text);
            s.file->write(line.toUtf8());
            s.file->flush();
            if (s.file->size() > s.limit)
                RotateLocked(s);
        }
    }
    if (previous)
        previous(type, context, text);
}

} // namespace

bool StartLogFile(const std::string& path, std::int64_t limitBytes) {
    LogFileState& s = State();
    {
        std::lock_guard lock(s.mutex);
        s.file.reset();
        s.path = QString::fromStdString(path);
        s.limit = limitBytes > 0 ? limitBytes : kLogFileLimitBytes;
        if (!OpenLocked(s))
            return false;
    }
    QtMessageHandler previous = qInstallMessageHandler(Handler);
    if (previous != Handler) {
        std::lock_guard lock(s.mutex);
        s.previous = previous;
    }
    return true;
}

void StopLogFile() {
    LogFileState& s = State();
    std::lock_guard lock(s.mutex);
    s.file.reset();
}

} // namespace corvane
