#include "FakeService.h"

#include <QFile>

#include <httplib.h>

#include <QElapsedTimer>

#include <mutex>
#include <thread>

struct FakeService::Private
{
    httplib::Server server;
    std::thread thread;
    int port = 0;
    QElapsedTimer clock;

    mutable std::mutex mutex;
    QMap<QByteArray, Handler> routes; // "METHOD path"
    Handler fallback;
    QList<Request> received; // in order of arrival
    quint64 epoch = 0;       // bumped by clearRequests(), so late answers do not touch a new list
};

FakeService::FakeService()
    : d(std::make_unique<Private>())
{
    // Several requests of one refresh wait on delayed answers at the same time.
    d->server.new_task_queue = [] { return new httplib::ThreadPool(16); };
    d->server.set_tcp_nodelay(true); // otherwise answers on a reused connection arrive ~40 ms late
    d->server.set_keep_alive_max_count(1000);
    // An idle client connection holds a server thread until this runs out, and stop() waits for
    // it: keep it short so that tearing a fake down after each test case is quick.
    d->server.set_keep_alive_timeout(1);
    const auto serve = [this](const httplib::Request& in, httplib::Response& out) {
        Request request;
        request.method = QByteArray::fromStdString(in.method);
        request.path = QByteArray::fromStdString(in.path);
        const QByteArray target = QByteArray::fromStdString(in.target);
        request.query = target.contains('?') ? target.mid(target.indexOf('?') + 1) : QByteArray();
        for (const auto& [name, value] : in.headers)
            request.headers.insert(QByteArray::fromStdString(name).toLower(),
                                   QByteArray::fromStdString(value));
        request.body = QByteArray::fromStdString(in.body);
        request.arrivedMs = d->clock.elapsed();

        std::unique_lock lock(d->mutex);
        const qsizetype index = d->received.size();
        const quint64 epoch = d->epoch;
        d->received.append(request);
        const Handler handler = d->routes.value(request.method + ' ' + request.path, d->fallback);
        lock.unlock(); // handlers run and delays pass without holding the lock
        const Answer answer = handler ? handler(request) : Answer{404, {}, {}, 0};
        if (answer.delayMs > 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(answer.delayMs));
        lock.lock();
        if (epoch == d->epoch && index < d->received.size())
            d->received[index].answeredMs = d->clock.elapsed();
        out.status = answer.status;
        bool hasContentType = false;
        for (const auto& [name, value] : answer.headers) {
            hasContentType = hasContentType || name.toLower() == "content-type";
            out.set_header(name.toStdString(), value.toStdString());
        }
        out.body = answer.body.toStdString();
        // With a charset, as the service sends it. It also keeps httplib from compressing the answer
        // (it compresses only a bare "application/json"), which costs ~100 ms per 50 kB on this thread.
        if (!hasContentType && !answer.body.isEmpty())
            out.set_header("Content-Type", "application/json; charset=utf-8");
    };
    d->server.Get(".*", serve);
    d->server.Post(".*", serve);
    d->server.Put(".*", serve);
    d->server.Delete(".*", serve);
}

FakeService::~FakeService()
{
    stop();
}

bool FakeService::start(quint16 port)
{
    d->port = port == 0 ? d->server.bind_to_any_port("127.0.0.1")
                        : (d->server.bind_to_port("127.0.0.1", port) ? port : -1);
    if (d->port <= 0)
        return false;
    d->clock.start();
    d->thread = std::thread([this] { d->server.listen_after_bind(); });
    // stop() does nothing until the server runs: a service stopped right after start() would leave
    // its thread blocked in accept() and the join hanging.
    for (int waited = 0; !d->server.is_running() && waited < 5000; ++waited)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return true;
}

void FakeService::stop()
{
    if (d->thread.joinable()) {
        d->server.stop();
        d->thread.join();
    }
}

QString FakeService::origin() const
{
    return QStringLiteral("http://127.0.0.1:%1").arg(d->port);
}

void FakeService::setAnswer(const QByteArray& method, const QByteArray& path, Answer answer)
{
    setHandler(method, path, [answer](const Request&) { return answer; });
}

void FakeService::setJson(const QByteArray& method, const QByteArray& path, const QByteArray& json,
                          int delayMs)
{
    setAnswer(method, path, Answer{200, json, {}, delayMs});
}

void FakeService::setHandler(const QByteArray& method, const QByteArray& path, Handler handler)
{
    std::lock_guard lock(d->mutex);
    d->routes.insert(method + ' ' + path, std::move(handler));
}

void FakeService::setFallback(Handler handler)
{
    std::lock_guard lock(d->mutex);
    d->fallback = std::move(handler);
}

QList<FakeService::Request> FakeService::requests() const
{
    std::lock_guard lock(d->mutex);
    return d->received;
}

QList<FakeService::Request> FakeService::requests(const QByteArray& path) const
{
    QList<Request> matching = requests();
    matching.removeIf([&path](const Request& request) { return request.path != path; });
    return matching;
}

void FakeService::clearRequests()
{
    std::lock_guard lock(d->mutex);
    d->received.clear();
    ++d->epoch;
}

void FakeService::serveFolders(const QString& folder, const QList<QPair<QByteArray, QString>>& byTokenPrefix,
                               int delayMs)
{
    setFallback([folder, byTokenPrefix, delayMs](const Request& request) {
        static const QByteArray cookie = "WorkosCursorSessionToken=";
        const QByteArray header = request.headers.value("cookie");
        const QByteArray token = header.startsWith(cookie) ? header.sliced(cookie.size()) : QByteArray();
        QString root = folder;
        for (const auto& [prefix, other] : byTokenPrefix) {
            if (token.startsWith(prefix)) {
                root = other;
                break;
            }
        }
        QFile file(root + QString::fromUtf8(request.path) + QStringLiteral(".json"));
        const bool found = !request.path.contains("..") && file.open(QIODevice::ReadOnly);
        return Answer{found ? 200 : 404, found ? file.readAll() : QByteArray(), {}, delayMs};
    });
}
