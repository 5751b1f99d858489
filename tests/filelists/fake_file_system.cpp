#include "fake_file_system.h"

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <stdexcept>

namespace testing_support {
namespace {

// The kernel's escaping of mountinfo fields.
std::string escapeMountField(std::string_view text)
{
    std::string escaped;
    for (char c : text) {
        switch (c) {
        case ' ':
            escaped += "\\040";
            break;
        case '\t':
            escaped += "\\011";
            break;
        case '\n':
            escaped += "\\012";
            break;
        case '\\':
            escaped += "\\134";
            break;
        default:
            escaped += c;
        }
    }
    return escaped;
}

} // namespace

FakeFileSystem::FakeFileSystem()
{
    if (!m_directory.isValid())
        throw std::runtime_error("cannot make a temporary directory");
    m_root = std::filesystem::canonical(m_directory.path().toStdString()).string();
    m_current = m_root;
    m_mounts.push_back({"/", "ext4", "/dev/sda1", 8, 1});
    m_devices["/dev/sda1"] = {"sda", false};
}

FakeFileSystem::~FakeFileSystem() = default;

std::string FakeFileSystem::nativePath(std::string_view relative) const
{
    return relative.empty() ? m_root : m_root + "/" + std::string(relative);
}

std::string FakeFileSystem::systemDrivePath(std::string_view relative) const
{
    std::string path = "C:" + nativePath(relative);
    for (char& c : path)
        if (c == '/')
            c = '\\';
    return path;
}

void FakeFileSystem::makeDirectory(std::string_view relative)
{
    std::filesystem::create_directories(nativePath(relative));
}

void FakeFileSystem::makeFile(std::string_view relative, std::string_view content)
{
    std::filesystem::path path = nativePath(relative);
    std::filesystem::create_directories(path.parent_path());
    std::ofstream file(path, std::ios::binary);
    file.write(content.data(), std::streamsize(content.size()));
}

std::string FakeFileSystem::addMount(std::string_view relative, Medium medium, std::string label,
                                     std::string source)
{
    makeDirectory(relative);
    Mounted mount;
    mount.mountPoint = nativePath(relative);
    switch (medium) {
    case Medium::Removable: {
        ++m_removableCount;
        std::string disk = std::string("sd") + char('a' + m_removableCount);
        mount.fileSystem = "vfat";
        mount.source = "/dev/" + disk + "1";
        mount.major = 8;
        mount.minor = unsigned(16 * m_removableCount + 1);
        m_devices[mount.source] = {disk, true};
        break;
    }
    case Medium::CDRom: {
        std::string disk = "sr" + std::to_string(m_opticalCount);
        mount.fileSystem = "iso9660";
        mount.source = "/dev/" + disk;
        mount.major = 11;
        mount.minor = unsigned(m_opticalCount++);
        m_devices[mount.source] = {disk, true};
        break;
    }
    case Medium::Network:
        mount.fileSystem = "cifs";
        mount.source = source.empty() ? "//servidor/fotos" : source;
        mount.minor = unsigned(100 + m_anonymousCount++);
        break;
    case Medium::RamDisk:
        mount.fileSystem = "tmpfs";
        mount.source = "tmpfs";
        mount.minor = unsigned(100 + m_anonymousCount++);
        break;
    }
    if (!label.empty())
        m_labels[mount.source] = label;
    m_mounts.push_back(mount);
    return mount.mountPoint;
}

void FakeFileSystem::setNotReady(std::string_view relative)
{
    m_failures[nativePath(relative)] = ENOMEDIUM;
}

void FakeFileSystem::failUnder(std::string_view relative, int errorNumber)
{
    m_failures[nativePath(relative)] = errorNumber;
}

void FakeFileSystem::failChangeDirectory(std::string_view relative, int errorNumber)
{
    m_changeFailures[nativePath(relative)] = errorNumber;
}

void FakeFileSystem::setMountTable(std::string text)
{
    m_mountTable = std::move(text);
}

void FakeFileSystem::setBlockDevice(std::string source, platform::BlockDevice device)
{
    m_devices[std::move(source)] = std::move(device);
}

void FakeFileSystem::setLabel(std::string source, std::string label)
{
    m_labels[std::move(source)] = std::move(label);
}

int FakeFileSystem::failureFor(const std::string& path, bool changing) const
{
    // The failure of the deepest directory that holds the path.
    const std::map<std::string, int>* tables[] = {&m_failures, changing ? &m_changeFailures : nullptr};
    std::size_t bestLength = 0;
    int failure = 0;
    for (const auto* table : tables) {
        if (!table)
            continue;
        for (const auto& [directory, errorNumber] : *table)
            if (platform::isUnderDirectory(path, directory) && directory.size() >= bestLength) {
                bestLength = directory.size();
                failure = errorNumber;
            }
    }
    return failure;
}

std::string FakeFileSystem::mountTable()
{
    if (m_mountTable)
        return *m_mountTable;
    std::string text;
    int id = 20;
    for (const Mounted& mount : m_mounts) {
        text += std::to_string(id) + " 1 " + std::to_string(mount.major) + ":" +
                std::to_string(mount.minor) + " / " + escapeMountField(mount.mountPoint) +
                " rw,relatime shared:" + std::to_string(id) + " - " + mount.fileSystem + " " +
                escapeMountField(mount.source) + " rw\n";
        ++id;
    }
    return text;
}

std::optional<platform::BlockDevice> FakeFileSystem::blockDevice(const platform::MountEntry& mount)
{
    auto device = m_devices.find(mount.source);
    if (device == m_devices.end())
        return std::nullopt;
    return device->second;
}

int FakeFileSystem::volumeLabel(const platform::MountEntry& mount, std::string& label)
{
    m_calls.push_back("label " + mount.mountPoint);
    label.clear();
    if (int failure = failureFor(mount.mountPoint, false))
        return failure;
    if (auto found = m_labels.find(mount.source); found != m_labels.end())
        label = found->second;
    return 0;
}

int FakeFileSystem::status(const std::string& path, platform::FileStatus& status)
{
    m_calls.push_back("stat " + path);
    if (int failure = failureFor(path, false))
        return failure;
    return m_system.status(path, status);
}

int FakeFileSystem::listDirectory(const std::string& path,
                                  std::vector<platform::DirectoryEntry>& entries)
{
    m_calls.push_back("list " + path);
    entries.clear();
    if (int failure = failureFor(path, false))
        return failure;
    return m_system.listDirectory(path, entries);
}

int FakeFileSystem::changeDirectory(const std::string& path)
{
    m_calls.push_back("chdir " + path);
    if (int failure = failureFor(path, true))
        return failure;
    platform::FileStatus status;
    if (int error = m_system.status(path, status))
        return error;
    if (status.kind != platform::FileKind::Directory)
        return ENOTDIR;
    std::error_code error;
    std::filesystem::path canonical = std::filesystem::canonical(path, error);
    if (error)
        return error.value();
    m_current = canonical.string();
    return 0;
}

int FakeFileSystem::currentDirectory(std::string& path)
{
    // As getcwd: a directory removed while the process is in it has no name any more.
    std::error_code error;
    if (!std::filesystem::is_directory(m_current, error))
        return ENOENT;
    path = m_current;
    return 0;
}

} // namespace testing_support
