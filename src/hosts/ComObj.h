#pragma once
// The little of COM the band object and its registration keep: result codes, the class
// factory with its identity, and the registry helpers a factory registers itself with.
// There is no COM on this platform; the names and codes stay so a host reads like the
// browser that sites a band.
#include "platform/Registry.h"

#include <cstdint>
#include <memory>
#include <string>

using HRESULT = std::int32_t;

inline constexpr HRESULT S_OK = 0;
inline constexpr HRESULT S_FALSE = 1;
inline constexpr HRESULT E_NOTIMPL = static_cast<HRESULT>(0x80004001u);
inline constexpr HRESULT E_FAIL = static_cast<HRESULT>(0x80004005u);
inline constexpr HRESULT E_UNEXPECTED = static_cast<HRESULT>(0x8000FFFFu);
inline constexpr HRESULT E_INVALIDARG = static_cast<HRESULT>(0x80070057u);

enum class TClassInstancing { ciInternal, ciSingleInstance, ciMultiInstance };
enum class TThreadingModel { tmSingle, tmApartment, tmFree, tmBoth };

class TComObjectFactory;

// A COM object: it knows the factory that made it.
class TComObject {
public:
    explicit TComObject(TComObjectFactory& factory) : FFactory(factory) {}
    virtual ~TComObject() = default;
    TComObjectFactory& Factory() const { return FFactory; }

private:
    TComObjectFactory& FFactory;
};

// A class factory: the identity of one class and its registration. ServerFileName is the
// program that serves the class (LocalServer32).
class TComObjectFactory {
public:
    TComObjectFactory(std::string classID, std::string className, std::string description,
                      TClassInstancing instancing, TThreadingModel threadingModel);
    virtual ~TComObjectFactory() = default;

    const std::string& ClassID() const { return FClassID; }  // braced, upper case
    const std::string& ClassName() const { return FClassName; }
    const std::string& Description() const { return FDescription; }
    TClassInstancing Instancing() const { return FInstancing; }
    TThreadingModel ThreadingModel() const { return FThreadingModel; }
    // The program identifier: the server's file name without extension, ".", the class name.
    std::string ProgID() const;

    const std::string& ServerFileName() const { return FServerFileName; }
    void SetServerFileName(const std::string& fileName) { FServerFileName = fileName; }

    virtual std::unique_ptr<TComObject> CreateComObject() = 0;
    // Writes (true) or removes (false) the class's keys in the registry file.
    virtual void UpdateRegistry(bool doRegister);

private:
    std::string FClassID, FClassName, FDescription;
    TClassInstancing FInstancing;
    TThreadingModel FThreadingModel;
    std::string FServerFileName;
};

namespace ComRegistry {

// Creates the key (with its parents) under root and sets its default value.
void CreateRegKey(THive root, const std::string& key, const std::string& defaultValue);
// Sets a named string value of a key, creating the key.
void WriteRegString(THive root, const std::string& key, const std::string& name, const std::string& value);
// Deletes a key as the system's key deletion does: only when it has no sub-keys, so keys
// another program added below it stay. False when it is missing or still has sub-keys.
bool DeleteRegKey(THive root, const std::string& key);
// Deletes one value of a key; false when there was none.
bool DeleteRegValue(THive root, const std::string& key, const std::string& name);

}  // namespace ComRegistry
