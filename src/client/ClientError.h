#pragma once

#include <QString>

#include <exception>

// Every failure the dashboard client throws. The description is the text for the status line.
class ClientError : public std::exception
{
public:
    virtual QString description() const = 0;
};
