#pragma once

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QString>

#include <functional>
#include <memory>

// A scriptable stand-in for the Cursor web service, on 127.0.0.1 at a free port. Each test sets the
// answer of each route (status, body, headers, delay) and reads back what arrived, so it can assert
// order, concurrency, headers and bodies. Routes answer 404 until they are scripted.
class FakeService
{
public:
    struct Answer
    {
        int status = 200;
        QByteArray body;
        QList<QPair<QByteArray, QByteArray>> headers; // besides Content-Type: application/json; charset=utf-8
        int delayMs = 0;                              // before the answer is sent
    };

    struct Request
    {
        QByteArray method;
        QByteArray path;                      // without the query
        QByteArray query;                     // raw, without "?"
        QMap<QByteArray, QByteArray> headers; // keys lower-cased
        QByteArray body;
        qint64 arrivedMs = 0;  // since start(), when the request was read
        qint64 answeredMs = 0; // since start(), when its answer (after any delay) was ready; 0 until then
    };

    using Handler = std::function<Answer(const Request&)>;

    FakeService();
    ~FakeService();
    FakeService(const FakeService&) = delete;
    FakeService& operator=(const FakeService&) = delete;

    // Binds 127.0.0.1 (a free port when `port` is 0) and serves on a thread; false when it cannot.
    bool start(quint16 port = 0);
    void stop();
    QString origin() const; // "http://127.0.0.1:<port>"

    // Fixed answer for a method and path ("POST", "/api/dashboard/get-plan-info").
    void setAnswer(const QByteArray& method, const QByteArray& path, Answer answer);
    void setJson(const QByteArray& method, const QByteArray& path, const QByteArray& json, int delayMs = 0);
    // Computed answer, called on a server thread for every matching request.
    void setHandler(const QByteArray& method, const QByteArray& path, Handler handler);
    // The answer of every route not scripted otherwise (404 with an empty body by default).
    void setFallback(Handler handler);
    // A fallback that answers every request for PATH with <folder>/PATH.json (404 when missing),
    // taking the folder of the first (prefix, folder) pair whose prefix starts the request's session
    // token, else `folder`: several accounts, told apart by their tokens.
    void serveFolders(const QString& folder, const QList<QPair<QByteArray, QString>>& byTokenPrefix = {},
                      int delayMs = 0);

    QList<Request> requests() const;
    QList<Request> requests(const QByteArray& path) const;
    void clearRequests();

private:
    struct Private;
    std::unique_ptr<Private> d;
};
