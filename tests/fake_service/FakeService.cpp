#include "FakeService.h"

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

    Answer answer(const Request& request)
    {
        Handler handler;
        {
            std::lock_guard lock(mutex);
            handler = routes.value(request.method + ' ' + request.path, fallback);
        }
        if (handler)
            return handler(request);
        return Answer{404, {}, {}, 0};
    }
};

namespace {

QByteArray toBytes(const std::string& text)
{
    return QByteArray(text.data(), qsizetype(text.size()));
}

std::string toStd(const QByteArray& bytes)
{
    return std::string(bytes.constData(), size_t(bytes.size()));
}

} // namespace

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
        request.method = toBytes(in.method);
        request.path = toBytes(in.path);
        const auto question = in.target.find('?');
        if (question != std::string::npos)
            request.query = toBytes(in.target.substr(question + 1));
        for (const auto& [name, value] : in.headers)
            request.headers.insert(toBytes(name).toLower(), toBytes(value));
        request.body = toBytes(in.body);
        request.arrivedMs = d->clock.elapsed();

        qsizetype index = 0;
        quint64 epoch = 0;
        {
            std::lock_guard lock(d->mutex);
            index = d->received.size();
            epoch = d->epoch;
            d->received.append(request);
        }
        const Answer answer = d->answer(request);
        if (answer.delayMs > 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(answer.delayMs));
        {
            std::lock_guard lock(d->mutex);
            if (epoch == d->epoch && index < d->received.size())
                d->received[index].answeredMs = d->clock.elapsed();
        }
        out.status = answer.status;
        bool hasContentType = false;
        for (const auto& [name, value] : answer.headers) {
            hasContentType = hasContentType || name.toLower() == "content-type";
            out.set_header(toStd(name), toStd(value));
        }
        out.body = toStd(answer.body);
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
    if (port == 0)
        d->port = d->server.bind_to_any_port("127.0.0.1");
    else
        d->port = d->server.bind_to_port("127.0.0.1", port) ? port : -1;
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

quint16 FakeService::port() const
{
    return quint16(d->port);
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

void FakeService::clearRoutes()
{
    std::lock_guard lock(d->mutex);
    d->routes.clear();
    d->fallback = nullptr;
}

QList<FakeService::Request> FakeService::requests() const
{
    std::lock_guard lock(d->mutex);
    return d->received;
}

QList<FakeService::Request> FakeService::requests(const QByteArray& path) const
{
    QList<Request> matching;
    for (const Request& request : requests()) {
        if (request.path == path)
            matching.append(request);
    }
    return matching;
}

void FakeService::clearRequests()
{
    std::lock_guard lock(d->mutex);
    d->received.clear();
    ++d->epoch;
}
