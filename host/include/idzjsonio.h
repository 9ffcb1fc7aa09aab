#pragma once

#include <QString>

// The scene-file writer as IO classes see it: each call writes its text to the file at once, in call order.
// Members go into an open object, items into an open array; every start has its finish. The flag of a start
// puts the container's members or items on lines of their own (else they stay on one line). Floats are
// written in their shortest form that reads back to the same float; a number that is not finite has no JSON
// text: the save fails and names where it was.
class IDzJsonIO {
public:
    virtual ~IDzJsonIO() = default;

    virtual void startMemberObject(QString const& name, bool ownLines) = 0;
    virtual void startMemberArray(QString const& name, bool ownLines) = 0;
    virtual void addMember(QString const& name, int value) = 0;
    virtual void addMember(QString const& name, float value) = 0;
    virtual void addMember(QString const& name, double value) = 0;
    virtual void addMember(QString const& name, bool value) = 0;
    virtual void addMember(QString const& name, QString const& value) = 0;
    void addMember(QString const& name, char const* value) { addMember(name, QString::fromUtf8(value)); }

    virtual void startObject(bool ownLines) = 0;
    virtual void startArray(bool ownLines) = 0;
    virtual void addItem(int value) = 0;
    virtual void addItem(float value) = 0;
    virtual void addItem(double value) = 0;
    virtual void addItem(bool value) = 0;
    virtual void addItem(QString const& value) = 0;
    void addItem(char const* value) { addItem(QString::fromUtf8(value)); }

    virtual void finishObject() = 0;
    virtual void finishArray() = 0;
};
