// corvane-cli: a command-line client of Corvane's local control interface, for show scripts.
//
//   corvane-cli [--host H] [--port P] [--json] [--timeout MS] COMMAND ...
//
// The token comes from CORVANE_TOKEN, the host and port from --host / --port, else
// CORVANE_HOST / CORVANE_PORT, else 127.0.0.1 and 8642. The exit code says what failed.

#include <QCoreApplication>
#include <QEventLoop>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QTextStream>
#include <QTimer>
#include <cstdio>

namespace {

enum Exit {
    kOk = 0,
    kUsage = 1,
    kNoConnection = 2, // nothing listens, the connection failed or the answer took too long
    kRefused = 3,      // 401: no token or a wrong one
    kBadRequest = 4,   // 400, 403, 404, 405, 413, 415, 421: the request was refused as it stands
    kNotReady = 5,     // 409: the processor is not synchronised, answers an earlier change or
                       // a firmware transfer owns the line
    kTooMany = 6,      // 429: the rate limit; 503: too many connections
    kOther = 7,        // any other answer
};

constexpr int kDefaultTimeoutMs = 5000;

const char* const kUsageText =
    "usage: corvane-cli [--host H] [--port P] [--json] [--timeout MS] COMMAND\n"
    "commands:\n"
    "  status                         the link\n"
    "  state                          the link and the whole device state\n"
    "  input N                        select input N (1 HDMI-1, 2 HDMI-2, 3 DisplayPort-1, 4 DisplayPort-2)\n"
    "  preset recall N                recall the processor's preset N (1..10)\n"
    "  preset load N                  send the preset file of slot N (1..10)\n"
    "  layer N [on|off] [--x X --y Y --w W --h H]\n"
    "                                 switch layer N (1..4) and/or set its window\n"
    "  picture N [--brightness V] [--contrast V] [--gamma G|off] [--color-temp NAME]\n"
    "            [--red V] [--green V] [--blue V]\n"
    "                                 set output N's (1..4) picture values\n"
    "  sync                           ask the processor for its whole state\n"
    "environment: CORVANE_TOKEN (the token), CORVANE_HOST, CORVANE_PORT\n"
    "exit codes: 0 done, 1 usage, 2 no connection or no answer, 3 token refused, 4 bad request,\n"
    "            5 processor not synchronised, busy or in a firmware transfer, 6 too many requests\n"
    "            or connections, 7 other\n"
    "the host is an IP address or localhost: the interface answers no other name\n";

int Usage(const QString& why = {}) {
    if (!why.isEmpty())
        std::fprintf(stderr, "corvane-cli: %s\n", qPrintable(why));
    std::fputs(kUsageText, stderr);
    return kUsage;
}

// A value as the user typed it: a number when it reads as one, else the text (the interface
// names the field when it is wrong).
QJsonValue Value(const QString& text) {
    bool ok = false;
    const qlonglong n = text.toLongLong(&ok);
    if (ok)
        return QJsonValue(n);
    const double d = text.toDouble(&ok);
    if (ok)
        return QJsonValue(d);
    return QJsonValue(text);
}

struct Request {
    QByteArray method;
    QString path;
    QJsonObject body;
};

// Options "--name value" after the positional words, into the body under the given names.
bool TakeOptions(const QStringList& args, int from, const QList<QPair<QString, QString>>& names,
                 QJsonObject& body, QStringList& words, QString& error) {
    for (int i = from; i < args.size(); ++i) {
        const QString& a = args[i];
        if (!a.startsWith(QLatin1String("--"))) {
            words << a;
            continue;
        }
        bool known = false;
        for (const auto& [option, field] : names)
            if (a == option) {
                if (i + 1 >= args.size()) {
                    error = a + QStringLiteral(" needs a value");
                    return false;
                }
                body.insert(field, field == QLatin1String("colorTemp") ? QJsonValue(args[i + 1])
                                                                       : Value(args[i + 1]));
                ++i;
                known = true;
            }
        if (!known) {
            error = QStringLiteral("unknown option ") + a;
            return false;
        }
    }
    return true;
}

bool Build(const QStringList& args, Request& r, QString& error) {
    if (args.isEmpty()) {
        error = QStringLiteral("no command");
        return false;
    }
    const QString command = args[0];
    const auto needs = [&](int count) {
        if (args.size() < count) {
            error = command + QStringLiteral(": missing arguments");
            return false;
        }
        return true;
    };
    if (command == QLatin1String("status") || command == QLatin1String("state")) {
        r = {"GET", QStringLiteral("/api/") + command, {}};
        return args.size() == 1 || (error = QStringLiteral("too many arguments"), false);
    }
    if (command == QLatin1String("sync")) {
        r = {"POST", QStringLiteral("/api/sync"), {}};
        return args.size() == 1 || (error = QStringLiteral("too many arguments"), false);
    }
    if (command == QLatin1String("input")) {
        if (!needs(2))
            return false;
        r = {"POST", QStringLiteral("/api/input"), QJsonObject{{QStringLiteral("input"), Value(args[1])}}};
        return args.size() == 2 || (error = QStringLiteral("too many arguments"), false);
    }
    if (command == QLatin1String("preset")) {
        if (!needs(3))
            return false;
        if (args[1] == QLatin1String("recall"))
            r = {"POST", QStringLiteral("/api/preset/recall"),
                 QJsonObject{{QStringLiteral("preset"), Value(args[2])}}};
        else if (args[1] == QLatin1String("load"))
            r = {"POST", QStringLiteral("/api/preset/load"),
                 QJsonObject{{QStringLiteral("slot"), Value(args[2])}}};
        else {
            error = QStringLiteral("preset: recall or load");
            return false;
        }
        return args.size() == 3 || (error = QStringLiteral("too many arguments"), false);
    }
    if (command == QLatin1String("layer")) {
        if (!needs(2))
            return false;
        r = {"POST", QStringLiteral("/api/layer"), QJsonObject{{QStringLiteral("layer"), Value(args[1])}}};
        QStringList words;
        if (!TakeOptions(args, 2,
                         {{QStringLiteral("--x"), QStringLiteral("x")},
                          {QStringLiteral("--y"), QStringLiteral("y")},
                          {QStringLiteral("--w"), QStringLiteral("w")},
                          {QStringLiteral("--h"), QStringLiteral("h")}},
                         r.body, words, error))
            return false;
        if (words.size() > 1) {
            error = QStringLiteral("layer: one of on, off");
            return false;
        }
        if (words.size() == 1) {
            if (words[0] != QLatin1String("on") && words[0] != QLatin1String("off")) {
                error = QStringLiteral("layer: on or off, not ") + words[0];
                return false;
            }
            r.body.insert(QStringLiteral("on"), words[0] == QLatin1String("on"));
        }
        return true;
    }
    if (command == QLatin1String("picture")) {
        if (!needs(2))
            return false;
        r = {"POST", QStringLiteral("/api/picture"), QJsonObject{{QStringLiteral("output"), Value(args[1])}}};
        QStringList words;
        if (!TakeOptions(args, 2,
                         {{QStringLiteral("--brightness"), QStringLiteral("brightness")},
                          {QStringLiteral("--contrast"), QStringLiteral("contrast")},
                          {QStringLiteral("--gamma"), QStringLiteral("gamma")},
                          {QStringLiteral("--color-temp"), QStringLiteral("colorTemp")},
                          {QStringLiteral("--red"), QStringLiteral("red")},
                          {QStringLiteral("--green"), QStringLiteral("green")},
                          {QStringLiteral("--blue"), QStringLiteral("blue")}},
                         r.body, words, error))
            return false;
        if (!words.isEmpty()) {
            error = QStringLiteral("picture: unexpected ") + words[0];
            return false;
        }
        return true;
    }
    error = QStringLiteral("unknown command ") + command;
    return false;
}

int ExitFor(int status) {
    if (status >= 200 && status < 300)
        return kOk;
    switch (status) {
    case 401:
        return kRefused;
    case 400:
    case 403:
    case 404:
    case 405:
    case 413:
    case 415:
    case 421:
        return kBadRequest;
    case 409:
        return kNotReady;
    case 429:
    case 503:
        return kTooMany;
    default:
        return kOther;
    }
}

// The link's line: its state, the port and rate, a firmware transfer that owns the line.
void PrintLink(QTextStream& out, const QJsonObject& link) {
    out << "link: " << link.value(QStringLiteral("state")).toString();
    if (!link.value(QStringLiteral("port")).isNull())
        out << " on " << link.value(QStringLiteral("port")).toString() << " at "
            << link.value(QStringLiteral("baud")).toInt();
    if (link.value(QStringLiteral("transfer")).toBool())
        out << ", firmware transfer running";
    out << "\n";
}

// The few lines a person reads; --json gives the whole answer.
void PrintSummary(const Request& r, const QJsonObject& answer) {
    QTextStream out(stdout);
    if (r.path == QLatin1String("/api/status")) {
        PrintLink(out, answer.value(QStringLiteral("link")).toObject());
        return;
    }
    if (r.path == QLatin1String("/api/state")) {
        const QJsonObject s = answer.value(QStringLiteral("state")).toObject();
        PrintLink(out, s.value(QStringLiteral("link")).toObject());
        const int current = s.value(QStringLiteral("currentInput")).toInt();
        for (const QJsonValue v : s.value(QStringLiteral("inputs")).toArray())
            if (v.toObject().value(QStringLiteral("input")).toInt() == current)
                out << "input: " << current << " " << v.toObject().value(QStringLiteral("name")).toString()
                    << "\n";
        for (const QJsonValue v : s.value(QStringLiteral("layers")).toArray()) {
            const QJsonObject l = v.toObject();
            const QJsonObject w = l.value(QStringLiteral("window")).toObject();
            out << "layer " << l.value(QStringLiteral("layer")).toInt() << ": "
                << (l.value(QStringLiteral("on")).toBool() ? "on " : "off") << " x "
                << w.value(QStringLiteral("x")).toInt() << " y " << w.value(QStringLiteral("y")).toInt()
                << " w " << w.value(QStringLiteral("w")).toInt() << " h "
                << w.value(QStringLiteral("h")).toInt() << "\n";
        }
        return;
    }
    out << answer.value(QStringLiteral("operation")).toString() << ": "
        << (answer.value(QStringLiteral("sent")).toBool() ? "sent" : "nothing to change") << "\n";
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QStringList args = QCoreApplication::arguments().mid(1);
    QString host = qEnvironmentVariable("CORVANE_HOST", QStringLiteral("127.0.0.1"));
    QString port = qEnvironmentVariable("CORVANE_PORT", QStringLiteral("8642"));
    bool json = false;
    int timeoutMs = kDefaultTimeoutMs;
    QStringList rest;
    for (int i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        if (a == QLatin1String("--help") || a == QLatin1String("-h")) {
            std::fputs(kUsageText, stdout);
            return kOk;
        }
        if (a == QLatin1String("--json")) {
            json = true;
        } else if (rest.isEmpty() && (a == QLatin1String("--host") || a == QLatin1String("--port") ||
                                      a == QLatin1String("--timeout"))) {
            if (i + 1 >= args.size())
                return Usage(a + QStringLiteral(" needs a value"));
            const QString v = args[++i];
            if (a == QLatin1String("--host"))
                host = v;
            else if (a == QLatin1String("--port"))
                port = v;
            else {
                bool ok = false;
                timeoutMs = v.toInt(&ok);
                if (!ok || timeoutMs <= 0)
                    return Usage(QStringLiteral("--timeout: milliseconds"));
            }
        } else {
            rest << a;
        }
    }
    bool portOk = false;
    const int portNumber = port.toInt(&portOk);
    if (!portOk || portNumber <= 0 || portNumber > 65535)
        return Usage(QStringLiteral("bad port ") + port);

    Request r;
    QString error;
    if (!Build(rest, r, error))
        return Usage(error);

    QUrl url;
    url.setScheme(QStringLiteral("http"));
    url.setHost(host);
    url.setPort(portNumber);
    url.setPath(r.path);
    // Qt sets the Host header from the URL, as the interface requires.
    QNetworkRequest request(url);
    if (r.method == "POST")
        request.setHeader(QNetworkRequest::ContentTypeHeader, QStringLiteral("application/json"));
    const QByteArray token = qgetenv("CORVANE_TOKEN");
    if (!token.isEmpty())
        request.setRawHeader("Authorization", "Bearer " + token);
    request.setTransferTimeout(timeoutMs);

    QNetworkAccessManager network;
    const QByteArray body =
        r.method == "POST" ? QJsonDocument(r.body).toJson(QJsonDocument::Compact) : QByteArray();
    QNetworkReply* reply = network.sendCustomRequest(request, r.method, body);
    QEventLoop loop;
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    QTimer::singleShot(timeoutMs + 1000, &loop, &QEventLoop::quit);
    loop.exec();

    const QVariant statusValue = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (!reply->isFinished() || !statusValue.isValid()) {
        std::fprintf(stderr, "corvane-cli: no answer from %s:%d: %s\n", qPrintable(host), portNumber,
                     reply->isFinished() ? qPrintable(reply->errorString()) : "timed out");
        return kNoConnection;
    }
    const int status = statusValue.toInt();
    const QByteArray answerText = reply->readAll();
    const QJsonObject answer = QJsonDocument::fromJson(answerText).object();
    if (json) {
        std::fwrite(answerText.constData(), 1, static_cast<std::size_t>(answerText.size()), stdout);
        std::fputc('\n', stdout);
    } else if (status >= 200 && status < 300) {
        PrintSummary(r, answer);
    }
    if (status < 200 || status >= 300) {
        const QString field = answer.value(QStringLiteral("field")).toString();
        std::fprintf(stderr, "corvane-cli: %d %s%s\n", status,
                     field.isEmpty() ? "" : qPrintable(field + QStringLiteral(": ")),
                     qPrintable(answer.value(QStringLiteral("error")).toString()));
    }
    return ExitFor(status);
}
