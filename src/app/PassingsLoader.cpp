#include "app/PassingsLoader.h"

#include "platform/null/NullKeyInjector.h"
#include "platform/passings/PassingsModule.h"

#include <QDir>
#include <QFileInfo>
#include <QLibrary>
#include <algorithm>
#include <utility>

namespace orvanel {

namespace {

class SilentBeeper : public Beeper
{
public:
    void beepExclamation() override {}
};

// The bridge's line when the module that opens it could not be loaded.
class UnavailableLine : public ByteLine
{
public:
    explicit UnavailableLine(std::string reason) : m_reason(std::move(reason)) {}

    bool open(std::int32_t, std::string& error) override
    {
        error = m_reason;
        return false;
    }
    void close() override {}
    bool isOpen() const override { return false; }
    void write(const std::vector<std::uint8_t>&) override {}
    void waitForBytes(int) override {}
    void setBytesHandler(BytesHandler) override {}
    void setFailedHandler(std::function<void()>) override {}

private:
    std::string m_reason;
};

// The module's table, or nothing and `why` says in Spanish which file is at fault and why.
const PassingsModule* loadModule(const QStringList& moduleFiles, std::string& why)
{
    const auto found = std::find_if(moduleFiles.begin(), moduleFiles.end(),
                                    [](const QString& file) { return QFileInfo::exists(file); });
    if (found == moduleFiles.end()) {
        why = "falta el módulo de pasadas (no existe " + moduleFiles.join(QStringLiteral(" ni ")).toStdString() + ")";
        return nullptr;
    }
    QLibrary library(*found);
    const auto entry = reinterpret_cast<PassingsModuleEntry>(library.resolve(kPassingsModuleEntry));
    if (const PassingsModule* module = entry ? entry() : nullptr)
        return module;
    // Qt's reason names the file; it is in Spanish where Qt's translations are installed.
    why = "no se puede cargar el módulo de pasadas: " + library.errorString().toStdString();
    return nullptr;
}

} // namespace

QStringList passingsModuleFiles(const QString& programFolder)
{
    const QDir folder(programFolder);
    return {folder.filePath(QString::fromLatin1(kPassingsModuleFile)),
            QDir::cleanPath(folder.filePath(QStringLiteral(ORVANEL_PASSINGS_FOLDER "/") +
                                            QString::fromLatin1(kPassingsModuleFile)))};
}

PassingParts makePassingParts(const QStringList& moduleFiles, const KeyOptions& keyOptions, const PortMap& ports)
{
    std::string why;
    if (const PassingsModule* module = loadModule(moduleFiles, why))
        return {module->makePlatform(keyOptions), module->makeLine(ports)};
    PassingParts parts;
    parts.platform.keys = std::make_unique<NullKeyInjector>();
    parts.platform.beeper = std::make_unique<SilentBeeper>();
    parts.platform.keysProblem =
        "No se pueden enviar pulsaciones de teclas ni leer el puente: " + why + ". Vuelva a instalar Orvanel.";
    parts.line = std::make_unique<UnavailableLine>("No se puede leer el puente: " + why);
    return parts;
}

} // namespace orvanel
