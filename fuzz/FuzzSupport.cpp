#include "FuzzSupport.h"

#include <httplib.h>

#include <QDir>

#include <chrono>
#include <memory>
#include <mutex>
#include <thread>

namespace fuzz {

namespace {
// Never freed: libFuzzer leaves through exit(), and Qt's objects must not be
// torn down by the exit handlers while its threads still run.
QTemporaryDir *gDir = nullptr;
QCoreApplication *gApp = nullptr;
int gArgc = 1;
char gArg0[] = "fuzz";
char *gArgv[] = {gArg0, nullptr};

std::mutex gMutex;
QByteArray gBody;
httplib::Server *gServer = nullptr;
std::thread gThread;
int gPort = 0;
} // namespace

void init()
{
    if (gApp)
        return;
    gApp = new QCoreApplication(gArgc, gArgv);
    gDir = new QTemporaryDir();
    ExeDir = gDir->path() + QLatin1Char('/');
}

const QString &tempDir() { return ExeDir; }

bool tooLarge(size_t size) { return size > MaxInput; }

bool tooDeep(const uint8_t *data, size_t size, int maxDepth)
{
    int depth = 0;
    bool inString = false;
    for (size_t i = 0; i < size; ++i) {
        const char c = char(data[i]);
        if (inString) {
            if (c == '\\')
                ++i;
            else if (c == '"')
                inString = false;
        } else if (c == '"') {
            inString = true;
        } else if (c == '[' || c == '{') {
            if (++depth > maxDepth)
                return true;
        } else if (c == ']' || c == '}') {
            --depth;
        }
    }
    return false;
}

QString answerServer()
{
    if (!gServer) {
        gServer = new httplib::Server();
        auto answer = [](const httplib::Request &, httplib::Response &res) {
            std::lock_guard lock(gMutex);
            res.set_content(gBody.toStdString(), "application/json");
        };
        gServer->Get(".*", answer);
        gServer->Post(".*", answer);
        gServer->Put(".*", answer);
        gPort = gServer->bind_to_any_port("127.0.0.1");
        gThread = std::thread([] { gServer->listen_after_bind(); });
        while (!gServer->is_running())
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        // The thread runs until the process ends; libFuzzer leaves by exit().
        gThread.detach();
    }
    return QStringLiteral("http://127.0.0.1:%1").arg(gPort);
}

void setAnswer(const QByteArray &body)
{
    std::lock_guard lock(gMutex);
    gBody = body;
}

} // namespace fuzz
