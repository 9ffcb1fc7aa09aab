#pragma once

#include <QString>

class DzAssetFile;

// A handler of one JSON value while a file is read as a stream. The reader hands it the members of an object
// or the items of an array in file order; every number arrives as a double, integers too.
//
// A start function returns the handler of the nested value, which the reader then owns and deletes once that
// value has ended, or null to skip the value. An add function returns false to reject the value: the read
// then fails (give the reason with DzAssetFile::setError). The defaults are the host's handling of what a
// handler does not take: nested values are skipped, plain values ignored.
class DzAssetJsonItem {
public:
    explicit DzAssetJsonItem(DzAssetFile* file) : m_file(file) {}
    virtual ~DzAssetJsonItem() = default;
    DzAssetJsonItem(DzAssetJsonItem const&) = delete;
    DzAssetJsonItem& operator=(DzAssetJsonItem const&) = delete;

    DzAssetFile* getFile() const { return m_file; }

    // Members of an object.
    virtual DzAssetJsonItem* startMemberObject(QString const& name);
    virtual DzAssetJsonItem* startMemberArray(QString const& name);
    virtual bool addMember(QString const& name, double value);
    virtual bool addStringMember(QString const& name, QString const& value);
    virtual bool addBoolMember(QString const& name, bool value);
    virtual bool addNullMember(QString const& name);

    // Items of an array.
    virtual DzAssetJsonItem* startObject();
    virtual DzAssetJsonItem* startArray();
    virtual bool addItem(double value);
    virtual bool addStringItem(QString const& value);
    virtual bool addBoolItem(bool value);
    virtual bool addNullItem();

    // The value this handler was made for has ended; false rejects it.
    virtual bool finish();

private:
    DzAssetFile* m_file;
};

// The handler of a JSON object.
class DzAssetJsonObject : public DzAssetJsonItem {
public:
    explicit DzAssetJsonObject(DzAssetFile* file) : DzAssetJsonItem(file) {}
};

// The handler of a JSON array.
class DzAssetJsonArray : public DzAssetJsonItem {
public:
    explicit DzAssetJsonArray(DzAssetFile* file) : DzAssetJsonItem(file) {}
};
