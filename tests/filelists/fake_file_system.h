#pragma once
// A file-system backend for tests: a real temporary directory tree, a mount table made up by the
// test, and failures injected per directory (a drive without a medium, a directory that cannot
// be entered), none of which needs mounting anything or relies on permissions. The process's
// current directory is kept here instead of being changed, so tests never move the real one.
//
//     FakeFileSystem files;
//     Seam<platform::FileSystemBackend>::Scoped scope(platform::fileSystemBackendSeam(), files);
//     files.makeFile("usb/Fotos/mar.bmp");
//     files.addMount("usb", FakeFileSystem::Medium::Removable, "FOTOS");  // becomes d:

#include "platform/drives/file_system_backend.h"
#include "platform/drives/mount_table.h"

#include <QTemporaryDir>

#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace testing_support {

class FakeFileSystem final : public platform::FileSystemBackend {
public:
    enum class Medium { Removable, CDRom, Network, RamDisk };

    // A new empty tree; the mount table holds "/" alone (ext4 on /dev/sda1, labelled as
    // setLabel says), and the current directory is the tree's root.
    FakeFileSystem();
    ~FakeFileSystem() override;
    FakeFileSystem(const FakeFileSystem&) = delete;
    FakeFileSystem& operator=(const FakeFileSystem&) = delete;

    // The tree's root: native, absolute, without symbolic links.
    const std::string& root() const { return m_root; }
    // root() + "/" + relative (root() itself for "").
    std::string nativePath(std::string_view relative) const;
    // How c: names a path of the tree: "C:" + root() + "\" + relative, with backslashes.
    std::string systemDrivePath(std::string_view relative) const;

    // Paths are relative to root(); parents are made as needed.
    void makeDirectory(std::string_view relative);
    void makeFile(std::string_view relative, std::string_view content = {});

    // Mounts a medium over the directory `relative` (made if missing), after the mounts added
    // before. Removable media are vfat on /dev/sdb1, /dev/sdc1, ...; CDs iso9660 on /dev/sr0,
    // /dev/sr1, ...; network shares cifs from `source` (default "//servidor/fotos"); RAM disks
    // tmpfs. Returns the native mount point.
    std::string addMount(std::string_view relative, Medium medium, std::string label = {},
                         std::string source = {});
    // A drive without a medium: every call at or below its mount point, its label included,
    // fails with ENOMEDIUM.
    void setNotReady(std::string_view relative);
    // Every call at or below a directory fails with `errorNumber` (EACCES for one that may not
    // be read or entered).
    void failUnder(std::string_view relative, int errorNumber);
    // Only changing into the directory (or below it) fails; it can still be listed.
    void failChangeDirectory(std::string_view relative, int errorNumber);

    // A mount table of the test's own in place of the generated one, with the disks and labels
    // that answer for its sources.
    void setMountTable(std::string text);
    void setBlockDevice(std::string source, platform::BlockDevice device);
    void setLabel(std::string source, std::string label);

    // The calls seen, one line each: "label <mount point>", "chdir <path>", "list <path>",
    // "stat <path>".
    const std::vector<std::string>& calls() const { return m_calls; }
    void clearCalls() { m_calls.clear(); }

    std::string mountTable() override;
    std::optional<platform::BlockDevice> blockDevice(const platform::MountEntry& mount) override;
    int volumeLabel(const platform::MountEntry& mount, std::string& label) override;
    int status(const std::string& path, platform::FileStatus& status) override;
    int listDirectory(const std::string& path,
                      std::vector<platform::DirectoryEntry>& entries) override;
    int changeDirectory(const std::string& path) override;
    int currentDirectory(std::string& path) override;

private:
    struct Mounted {
        std::string mountPoint;
        std::string fileSystem;
        std::string source;
        unsigned major = 0;
        unsigned minor = 0;
    };

    int failureFor(const std::string& path, bool changing) const;

    QTemporaryDir m_directory;
    std::string m_root;
    std::string m_current;
    std::vector<Mounted> m_mounts;
    std::optional<std::string> m_mountTable;
    std::map<std::string, platform::BlockDevice> m_devices;  // by source
    std::map<std::string, std::string> m_labels;             // by source
    std::map<std::string, int> m_failures;                   // native directory -> errno
    std::map<std::string, int> m_changeFailures;
    std::vector<std::string> m_calls;
    platform::LinuxFileSystem m_system;
    int m_removableCount = 0;
    int m_opticalCount = 0;
    int m_anonymousCount = 0;
};

} // namespace testing_support
