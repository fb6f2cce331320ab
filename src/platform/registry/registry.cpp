// SPDX-License-Identifier: MIT
#include "platform/registry/registry.h"

#include <QtGlobal>

#ifdef Q_OS_WIN

#include <windows.h>

namespace platform::registry {

namespace {

// The predefined root keys are 32-bit values that Windows sign-extends to a pointer.
HKEY toHkey(Key key) {
    if ((key & ~Key{0xFFFFFFFFu}) == 0 && (key & 0x80000000u) != 0) {
        return reinterpret_cast<HKEY>(static_cast<LONG_PTR>(static_cast<LONG>(key)));
    }
    return reinterpret_cast<HKEY>(key);
}

}  // namespace

Status OpenKey(Key key, const char* subKey, Key* result) {
    HKEY opened = nullptr;
    const LONG status = RegOpenKeyA(toHkey(key), subKey, &opened);
    if (status == ERROR_SUCCESS && result != nullptr) {
        *result = reinterpret_cast<Key>(opened);
    }
    return status;
}

Status CreateKey(Key key, const char* subKey, Key* result) {
    HKEY created = nullptr;
    const LONG status = RegCreateKeyA(toHkey(key), subKey, &created);
    if (status == ERROR_SUCCESS && result != nullptr) {
        *result = reinterpret_cast<Key>(created);
    }
    return status;
}

Status QueryValueEx(Key key, const char* valueName, std::uint32_t* type, unsigned char* data,
                    std::uint32_t* size) {
    DWORD t = type != nullptr ? *type : 0;
    DWORD s = size != nullptr ? *size : 0;
    const LONG status =
        RegQueryValueExA(toHkey(key), valueName, nullptr, type != nullptr ? &t : nullptr, data,
                         size != nullptr ? &s : nullptr);
    if (status == ERROR_SUCCESS || status == ERROR_MORE_DATA) {
        if (type != nullptr) {
            *type = t;
        }
        if (size != nullptr) {
            *size = s;
        }
    }
    return status;
}

Status SetValueEx(Key key, const char* valueName, std::uint32_t type, const unsigned char* data,
                  std::uint32_t size) {
    return RegSetValueExA(toHkey(key), valueName, 0, type, data, size);
}

Status DeleteValue(Key key, const char* valueName) {
    return RegDeleteValueA(toHkey(key), valueName);
}

Status CloseKey(Key key) {
    return RegCloseKey(toHkey(key));
}

std::uint32_t ExpandEnvironment(const char* source, char* destination, std::uint32_t size) {
    return ExpandEnvironmentStringsA(source, destination, size);
}

}  // namespace platform::registry

#else  // not Windows: the per-user store and the autostart folder

#include <QByteArray>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLockFile>
#include <QSaveFile>
#include <QString>
#include <QStringList>

#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include "platform/registry/autostart_entry.h"
#include "platform/registry/regular_file.h"
#include "platform/shell/shell.h"

namespace platform::registry {

namespace {

const QString kFormat = QStringLiteral("quillet-registry");
constexpr int kVersion = 1;
const QString kCurrentUser = QStringLiteral("HKEY_CURRENT_USER");
const QStringList kRunPath = {QStringLiteral("SOFTWARE"), QStringLiteral("Microsoft"),
                              QStringLiteral("Windows"), QStringLiteral("CurrentVersion"),
                              QStringLiteral("Run")};

// ---- the key tree ----

struct Value {
    QString name;
    std::uint32_t type = RegNone;
    QByteArray data;
};

struct Node {
    QString name;
    std::vector<Value> values;
    std::vector<std::unique_ptr<Node> > keys;

    Node* child(const QString& childName) const {
        for (const auto& key : keys) {
            if (key->name.compare(childName, Qt::CaseInsensitive) == 0) {
                return key.get();
            }
        }
        return nullptr;
    }
    Value* value(const QString& valueName) {
        for (Value& v : values) {
            if (v.name.compare(valueName, Qt::CaseInsensitive) == 0) {
                return &v;
            }
        }
        return nullptr;
    }
    bool removeValue(const QString& valueName) {
        for (auto it = values.begin(); it != values.end(); ++it) {
            if (it->name.compare(valueName, Qt::CaseInsensitive) == 0) {
                values.erase(it);
                return true;
            }
        }
        return false;
    }
};

Node* findNode(Node& root, const QStringList& path) {
    Node* node = &root;
    for (const QString& part : path) {
        node = node->child(part);
        if (node == nullptr) {
            return nullptr;
        }
    }
    return node;
}

Node* ensureNode(Node& root, const QStringList& path) {
    Node* node = &root;
    for (const QString& part : path) {
        Node* next = node->child(part);
        if (next == nullptr) {
            node->keys.push_back(std::make_unique<Node>());
            next = node->keys.back().get();
            next->name = part;
        }
        node = next;
    }
    return node;
}

// ---- the store file ----

QString storeDirectory() {
    return configHome() + QStringLiteral("/Quillet");
}
QString storePath() {
    return storeDirectory() + QStringLiteral("/registry.json");
}

// Damaged: a regular file that does not hold a store of this version or older; a write sets it
// aside first. Unreadable: something that cannot or may not be read (a device, a FIFO, a file
// far too large); it reads as empty and is never replaced.
enum class State { Missing, Good, Damaged, Newer, Unreadable };

// Far more than the few values the program keeps.
constexpr qint64 kLargestStore = qint64{4} * 1024 * 1024;

struct Store {
    State state = State::Missing;
    Node root;  // HKEY_CURRENT_USER
};

bool isHexData(const QString& text) {
    if (text.size() % 2 != 0) {
        return false;
    }
    for (const QChar c : text) {
        if (!((c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F'))) {
            return false;
        }
    }
    return true;
}

bool nodeFromJson(const QJsonObject& object, Node& node) {
    const QJsonValue values = object.value(QStringLiteral("values"));
    if (!values.isUndefined()) {
        if (!values.isArray()) {
            return false;
        }
        for (const QJsonValue item : values.toArray()) {
            if (!item.isObject()) {
                return false;
            }
            const QJsonObject v = item.toObject();
            const QJsonValue name = v.value(QStringLiteral("name"));
            const QJsonValue type = v.value(QStringLiteral("type"));
            const QJsonValue data = v.value(QStringLiteral("data"));
            if (!name.isString() || !type.isDouble() || !data.isString()) {
                return false;
            }
            const double t = type.toDouble();
            if (t < 0 || t > 4294967295.0 || t != static_cast<double>(static_cast<qint64>(t))) {
                return false;
            }
            if (!isHexData(data.toString()) || node.value(name.toString()) != nullptr) {
                return false;
            }
            node.values.push_back(Value{name.toString(), static_cast<std::uint32_t>(t),
                                        QByteArray::fromHex(data.toString().toLatin1())});
        }
    }
    const QJsonValue keys = object.value(QStringLiteral("keys"));
    if (!keys.isUndefined()) {
        if (!keys.isObject()) {
            return false;
        }
        const QJsonObject children = keys.toObject();
        for (auto it = children.begin(); it != children.end(); ++it) {
            if (!it.value().isObject() || it.key().isEmpty() || it.key().contains(u'\\') ||
                node.child(it.key()) != nullptr) {
                return false;
            }
            auto child = std::make_unique<Node>();
            child->name = it.key();
            if (!nodeFromJson(it.value().toObject(), *child)) {
                return false;
            }
            node.keys.push_back(std::move(child));
        }
    }
    return true;
}

QJsonObject nodeToJson(const Node& node) {
    QJsonObject object;
    if (!node.values.empty()) {
        QJsonArray values;
        for (const Value& v : node.values) {
            values.append(
                QJsonObject{{QStringLiteral("name"), v.name},
                            {QStringLiteral("type"), static_cast<qint64>(v.type)},
                            {QStringLiteral("data"), QString::fromLatin1(v.data.toHex())}});
        }
        object.insert(QStringLiteral("values"), values);
    }
    if (!node.keys.empty()) {
        QJsonObject keys;
        for (const auto& child : node.keys) {
            keys.insert(child->name, nodeToJson(*child));
        }
        object.insert(QStringLiteral("keys"), keys);
    }
    return object;
}

// Reads the store; never writes anything.
Store loadStore() {
    Store store;
    const QString path = storePath();
    if (!QFile::exists(path)) {
        return store;
    }
    const std::optional<QByteArray> bytes = readRegularFile(path, kLargestStore);
    if (!bytes) {
        store.state = State::Unreadable;
        return store;
    }
    store.state = State::Damaged;
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(*bytes, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject()) {
        return store;
    }
    const QJsonObject top = document.object();
    const QJsonValue version = top.value(QStringLiteral("version"));
    if (top.value(QStringLiteral("format")).toString() != kFormat || !version.isDouble()) {
        return store;
    }
    if (version.toDouble() > kVersion) {
        store.state = State::Newer;
        return store;
    }
    if (version.toDouble() != kVersion) {
        return store;
    }
    const QJsonValue roots = top.value(QStringLiteral("roots"));
    if (!roots.isUndefined() && !roots.isObject()) {
        return store;
    }
    const QJsonValue user = roots.toObject().value(kCurrentUser);
    if (!user.isUndefined()) {
        if (!user.isObject() || !nodeFromJson(user.toObject(), store.root)) {
            store.root = Node{};
            return store;
        }
    }
    store.state = State::Good;
    return store;
}

Status saveStore(const Store& store) {
    if (store.state == State::Newer || store.state == State::Unreadable) {
        return AccessDenied;
    }
    const QString path = storePath();
    if (store.state == State::Damaged) {
        // Keep what was there; the damaged file may still be worth something to someone.
        const QString base =
            path + QStringLiteral(".damaged-") +
            QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMddhhmmss"));
        QString aside = base;
        for (int n = 1; QFile::exists(aside); ++n) {
            aside = base + u'-' + QString::number(n);
        }
        if (!QFile::copy(path, aside)) {
            return RegistryIoFailed;
        }
    }
    QJsonObject top;
    top.insert(QStringLiteral("format"), kFormat);
    top.insert(QStringLiteral("version"), kVersion);
    top.insert(QStringLiteral("roots"), QJsonObject{{kCurrentUser, nodeToJson(store.root)}});
    const QByteArray bytes = QJsonDocument(top).toJson(QJsonDocument::Indented);

    const bool existed = QFile::exists(path);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        return RegistryIoFailed;
    }
    if (!existed) {
        QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    }
    return Success;
}

// Serialises changes of the store (and of the autostart entries) between processes.
class WriteLock {
  public:
    WriteLock() : lock_(storeDirectory() + QStringLiteral("/registry.lock")) {
        if (QDir().mkpath(storeDirectory())) {
            lock_.setStaleLockTime(30000);
            locked_ = lock_.tryLock(10000);
        }
    }
    bool locked() const { return locked_; }

  private:
    QLockFile lock_;
    bool locked_ = false;
};

// ---- handles ----

struct Handle {
    QStringList path;  // below HKEY_CURRENT_USER
};

std::mutex handlesMutex;
std::map<Key, Handle> handles;
Key nextHandle = 0x1000;

std::optional<Handle> handleFor(Key key) {
    if (key == HkeyCurrentUser) {
        return Handle{};
    }
    const std::lock_guard guard(handlesMutex);
    const auto it = handles.find(key);
    if (it == handles.end()) {
        return std::nullopt;
    }
    return it->second;
}

Key newHandle(const QStringList& path) {
    const std::lock_guard guard(handlesMutex);
    const Key key = nextHandle++;
    handles.emplace(key, Handle{path});
    return key;
}

// Sub-key names separated by "\"; one trailing "\" is allowed, empty names are not.
std::optional<QStringList> splitSubKey(const char* subKey) {
    if (subKey == nullptr || *subKey == '\0') {
        return QStringList{};
    }
    QStringList parts = shell::从本地代码页(QByteArray(subKey)).split(u'\\');
    if (parts.size() > 1 && parts.back().isEmpty()) {
        parts.removeLast();
    }
    for (const QString& part : parts) {
        if (part.isEmpty()) {
            return std::nullopt;
        }
    }
    return parts;
}

QString valueNameOf(const char* valueName) {
    return valueName == nullptr ? QString() : shell::从本地代码页(QByteArray(valueName));
}

// The Run key and every key above it always exist.
bool isAlwaysThere(const QStringList& path) {
    if (path.size() > kRunPath.size()) {
        return false;
    }
    for (qsizetype i = 0; i < path.size(); ++i) {
        if (path[i].compare(kRunPath[i], Qt::CaseInsensitive) != 0) {
            return false;
        }
    }
    return true;
}

bool isRunKey(const QStringList& path) {
    return path.size() == kRunPath.size() && isAlwaysThere(path);
}

bool keyExists(const QStringList& path) {
    if (isAlwaysThere(path)) {
        return true;
    }
    Store store = loadStore();
    return findNode(store.root, path) != nullptr;
}

bool keptAsEntry(const QStringList& path, const QString& name) {
    return isRunKey(path) && autostart::canHold(name);
}

std::optional<QStringList> resolve(Key key, const char* subKey, Status* status) {
    const std::optional<Handle> base = handleFor(key);
    if (!base) {
        *status = InvalidHandle;
        return std::nullopt;
    }
    const std::optional<QStringList> sub = splitSubKey(subKey);
    if (!sub) {
        *status = InvalidParameter;
        return std::nullopt;
    }
    return base->path + *sub;
}

// The path a call that hands back a key works on; null with the reason in *status.
std::optional<QStringList> resolveForResult(Key key, const char* subKey, const Key* result,
                                            Status* status) {
    std::optional<QStringList> path = resolve(key, subKey, status);
    if (path && result == nullptr) {
        *status = InvalidParameter;
        return std::nullopt;
    }
    return path;
}

}  // namespace

Status OpenKey(Key key, const char* subKey, Key* result) {
    Status status = Success;
    const std::optional<QStringList> path = resolveForResult(key, subKey, result, &status);
    if (!path) {
        return status;
    }
    if (!keyExists(*path)) {
        return FileNotFound;
    }
    *result = newHandle(*path);
    return Success;
}

Status CreateKey(Key key, const char* subKey, Key* result) {
    Status status = Success;
    const std::optional<QStringList> path = resolveForResult(key, subKey, result, &status);
    if (!path) {
        return status;
    }
    if (!keyExists(*path)) {
        const WriteLock lock;
        if (!lock.locked()) {
            return RegistryIoFailed;
        }
        Store store = loadStore();
        if (findNode(store.root, *path) == nullptr) {
            ensureNode(store.root, *path);
            status = saveStore(store);
            if (status != Success) {
                return status;
            }
        }
    }
    *result = newHandle(*path);
    return Success;
}

Status QueryValueEx(Key key, const char* valueName, std::uint32_t* type, unsigned char* data,
                    std::uint32_t* size) {
    const std::optional<Handle> handle = handleFor(key);
    if (!handle) {
        return InvalidHandle;
    }
    if (data != nullptr && size == nullptr) {
        return InvalidParameter;
    }
    const QString name = valueNameOf(valueName);
    std::uint32_t storedType = RegNone;
    QByteArray stored;
    bool found = false;
    if (keptAsEntry(handle->path, name)) {
        if (const std::optional<autostart::Entry> entry = autostart::read(name)) {
            storedType = entry->type;
            stored = shell::到本地代码页(entry->command);
            stored.append('\0');
            found = true;
        }
    }
    if (!found) {
        Store store = loadStore();
        Node* node = findNode(store.root, handle->path);
        if (node == nullptr && !isAlwaysThere(handle->path)) {
            return FileNotFound;  // the key went away
        }
        const Value* value = node != nullptr ? node->value(name) : nullptr;
        if (value == nullptr) {
            return FileNotFound;
        }
        storedType = value->type;
        stored = value->data;
    }
    const auto needed = static_cast<std::uint32_t>(stored.size());
    if (data != nullptr && *size < needed) {
        *size = needed;
        return MoreData;
    }
    if (data != nullptr && needed > 0) {
        std::memcpy(data, stored.constData(), needed);
    }
    if (type != nullptr) {
        *type = storedType;
    }
    if (size != nullptr) {
        *size = needed;
    }
    return Success;
}

Status SetValueEx(Key key, const char* valueName, std::uint32_t type, const unsigned char* data,
                  std::uint32_t size) {
    const std::optional<Handle> handle = handleFor(key);
    if (!handle) {
        return InvalidHandle;
    }
    if (data == nullptr && size > 0) {
        return InvalidParameter;
    }
    const QString name = valueNameOf(valueName);
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));

    const WriteLock lock;
    if (!lock.locked()) {
        return RegistryIoFailed;
    }
    Store store = loadStore();
    const bool asEntry = keptAsEntry(handle->path, name) && (type == RegSz || type == RegExpandSz);
    if (asEntry) {
        // The text up to its first NUL is what a log-on session can run.
        const qsizetype nul = bytes.indexOf('\0');
        const QString command = shell::从本地代码页(nul < 0 ? bytes : bytes.left(nul));
        const Status status = autostart::write(name, command, type);
        if (status != Success) {
            return status;
        }
        // A value has one place only: drop an older one of another type from the store.
        Node* node = findNode(store.root, handle->path);
        if (node != nullptr && node->removeValue(name)) {
            return saveStore(store);
        }
        return Success;
    }
    Node* node = ensureNode(store.root, handle->path);
    if (Value* existing = node->value(name)) {
        existing->type = type;
        existing->data = bytes;
    } else {
        node->values.push_back(Value{name, type, bytes});
    }
    const Status status = saveStore(store);
    if (status == Success && keptAsEntry(handle->path, name)) {
        autostart::remove(name);
    }
    return status;
}

Status DeleteValue(Key key, const char* valueName) {
    const std::optional<Handle> handle = handleFor(key);
    if (!handle) {
        return InvalidHandle;
    }
    const QString name = valueNameOf(valueName);
    const WriteLock lock;
    if (!lock.locked()) {
        return RegistryIoFailed;
    }
    bool deleted = false;
    if (keptAsEntry(handle->path, name)) {
        const Status status = autostart::remove(name);
        if (status != Success && status != FileNotFound) {
            return status;
        }
        deleted = status == Success;
    }
    Store store = loadStore();
    Node* node = findNode(store.root, handle->path);
    if (node != nullptr && node->removeValue(name)) {
        const Status status = saveStore(store);
        if (status != Success) {
            return status;
        }
        deleted = true;
    }
    return deleted ? Success : FileNotFound;
}

Status CloseKey(Key key) {
    if ((key & ~Key{0xFFFFFFFFu}) == 0 && (key & 0x80000000u) != 0) {
        return Success;  // root keys are never opened, so never closed
    }
    const std::lock_guard guard(handlesMutex);
    return handles.erase(key) == 1 ? Success : InvalidHandle;
}

std::uint32_t ExpandEnvironment(const char* source, char* destination, std::uint32_t size) {
    const QByteArray text(source == nullptr ? "" : source);
    QByteArray out;
    qsizetype i = 0;
    while (i < text.size()) {
        const qsizetype open = text.indexOf('%', i);
        if (open < 0) {
            out += text.mid(i);
            break;
        }
        out += text.mid(i, open - i);
        const qsizetype close = text.indexOf('%', open + 1);
        if (close < 0) {
            out += text.mid(open);
            break;
        }
        const QByteArray name = text.mid(open + 1, close - open - 1);
        if (!name.isEmpty() && !name.contains('=') && qEnvironmentVariableIsSet(name.constData())) {
            out += qgetenv(name.constData());
            i = close + 1;
        } else {
            // Not a reference: keep "%NAME" and let the closing sign start the next one.
            out += text.mid(open, close - open);
            i = close;
        }
    }
    const auto needed = static_cast<std::uint32_t>(out.size() + 1);
    if (destination != nullptr && needed <= size) {
        std::memcpy(destination, out.constData(), out.size());
        destination[out.size()] = '\0';
    }
    return needed;
}

}  // namespace platform::registry

#endif
