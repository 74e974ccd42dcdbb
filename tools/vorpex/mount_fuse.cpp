// vorpex mount over FUSE 3 (Linux): the kernel's requests answered by a MountTree, one at a
// time on one thread, as the libraries talk to the player one exchange at a time.
#define FUSE_USE_VERSION 31
#include <fuse.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <ctime>
#include <vector>

#include "platform/child_process.h"
#include "platform/clock.h"
#include "platform/environment.h"
#include "platform/file.h"
#include "platform/folder.h"
#include "platform/lock_file.h"
#include "platform/temp.h"
#include "tools/vorpex/commands.h"
#include "tools/vorpex/files_commands.h"
#include "tools/vorpex/library_error.h"
#include "tools/vorpex/mount.h"
#include "tools/vorpex/mount_lock.h"
#include "tools/vorpex/mount_tree.h"

namespace vorpex::cli {
namespace {

MountTree& Tree() {
  return *static_cast<MountTree*>(fuse_get_context()->private_data);
}

// The player's local date and time of a file as the PC's clock counts.
time_t FileTime(uint16_t date, uint16_t time) {
  if (date == 0) return 0;
  std::tm parts{};
  parts.tm_year = 80 + (date >> 9);
  parts.tm_mon = ((date >> 5) & 15) - 1;
  parts.tm_mday = date & 31;
  parts.tm_hour = time >> 11;
  parts.tm_min = (time >> 5) & 63;
  parts.tm_sec = (time & 31) * 2;
  parts.tm_isdst = -1;
  return std::mktime(&parts);
}

int GetAttr(const char* path, struct stat* st, fuse_file_info*) {
  MountEntry entry;
  if (const int error = Tree().Stat(path, entry)) return error;
  *st = {};
  st->st_uid = ::getuid();
  st->st_gid = ::getgid();
  if (entry.folder) {
    static const time_t mounted = std::time(nullptr);
    st->st_mtime = st->st_ctime = st->st_atime = mounted;
    st->st_mode = S_IFDIR | 0755;
    st->st_nlink = 2;
    return 0;
  }
  st->st_mode = S_IFREG | 0644;
  st->st_nlink = 1;
  st->st_size = static_cast<off_t>(entry.size);
  st->st_blksize = 16384;
  st->st_blocks = static_cast<blkcnt_t>((entry.size + 511) / 512);
  st->st_mtime = st->st_ctime = st->st_atime = FileTime(entry.date, entry.time);
  return 0;
}

int ReadDir(const char* path, void* buffer, fuse_fill_dir_t fill, off_t, fuse_file_info*,
            fuse_readdir_flags) {
  std::vector<std::string> names;
  if (const int error = Tree().List(path, names)) return error;
  fill(buffer, ".", nullptr, 0, fuse_fill_dir_flags{});
  fill(buffer, "..", nullptr, 0, fuse_fill_dir_flags{});
  for (const std::string& name : names)
    fill(buffer, name.c_str(), nullptr, 0, fuse_fill_dir_flags{});
  return 0;
}

int Open(const char* path, fuse_file_info* info) {
  const bool write = (info->flags & O_ACCMODE) != O_RDONLY;
  return Tree().Open(path, write, (info->flags & O_TRUNC) != 0, info->fh);
}

int Create(const char* path, mode_t, fuse_file_info* info) {
  return Tree().Create(path, info->fh);
}

int Read(const char*, char* buffer, size_t size, off_t offset, fuse_file_info* info) {
  return Tree().Read(info->fh, {reinterpret_cast<uint8_t*>(buffer), size},
                     static_cast<uint64_t>(offset));
}

int Write(const char*, const char* data, size_t size, off_t offset, fuse_file_info* info) {
  return Tree().Write(info->fh, {reinterpret_cast<const uint8_t*>(data), size},
                      static_cast<uint64_t>(offset));
}

int Truncate(const char* path, off_t size, fuse_file_info*) {
  return Tree().Resize(path, static_cast<uint64_t>(size));
}

int Flush(const char*, fuse_file_info* info) {
  return Tree().Flush(info->fh);
}

int Release(const char*, fuse_file_info* info) {
  return Tree().Release(info->fh);
}

int Unlink(const char* path) {
  return Tree().Remove(path);
}

int Rename(const char* from, const char* to, unsigned int flags) {
  if ((flags & RENAME_EXCHANGE) != 0) return -EINVAL;
  return Tree().Rename(from, to, (flags & RENAME_NOREPLACE) == 0);
}

int StatFs(const char* path, struct statvfs* figures) {
  MountFigures memory;
  if (const int error = Tree().Figures(path, memory)) return error;
  constexpr uint64_t kUnit = 16384;
  *figures = {};
  figures->f_bsize = figures->f_frsize = kUnit;
  figures->f_blocks = memory.capacityBytes / kUnit;
  figures->f_bfree = figures->f_bavail = memory.capacityBytes > memory.usedBytes
                                             ? (memory.capacityBytes - memory.usedBytes) / kUnit
                                             : 0;
  const uint64_t entries = path == std::string("/") ? 512 : 256;
  figures->f_files = entries;
  figures->f_ffree = figures->f_favail = entries > memory.files ? entries - memory.files : 0;
  figures->f_namemax = 12;
  return 0;
}

// Owners, permissions and times are not kept by the player: accepted and left as they are.
int Accept(const char* path) {
  MountEntry entry;
  return Tree().Stat(path, entry);
}
int ChangeMode(const char* path, mode_t, fuse_file_info*) {
  return Accept(path);
}
int ChangeOwner(const char* path, uid_t, gid_t, fuse_file_info*) {
  return Accept(path);
}
int ChangeTimes(const char* path, const timespec*, fuse_file_info*) {
  return Accept(path);
}
// The player has no folders.
int MakeFolder(const char*, mode_t) {
  return -EPERM;
}
int RemoveFolder(const char*) {
  return -EPERM;
}

void* Init(fuse_conn_info* connection, fuse_config* config) {
  // Every change shows at once; an open for writing that truncates says so (cp over a file).
  config->entry_timeout = 0;
  config->attr_timeout = 0;
  config->negative_timeout = 0;
  if ((connection->capable & FUSE_CAP_ATOMIC_O_TRUNC) != 0) {
    connection->want |= FUSE_CAP_ATOMIC_O_TRUNC;
  }
  return fuse_get_context()->private_data;
}

fuse_operations Operations() {
  fuse_operations ops{};
  ops.init = Init;
  ops.getattr = GetAttr;
  ops.readdir = ReadDir;
  ops.open = Open;
  ops.create = Create;
  ops.read = Read;
  ops.write = Write;
  ops.truncate = Truncate;
  ops.flush = Flush;
  ops.release = Release;
  ops.unlink = Unlink;
  ops.rename = Rename;
  ops.statfs = StatFs;
  ops.chmod = ChangeMode;
  ops.chown = ChangeOwner;
  ops.utimens = ChangeTimes;
  ops.mkdir = MakeFolder;
  ops.rmdir = RemoveFolder;
  return ops;
}

// Runs the mount's loop until it is unmounted (or, in the foreground, interrupted).
int Serve(MountTree& tree, const std::string& folder, bool foreground) {
  const fuse_operations ops = Operations();
  std::vector<std::string> words{"vorpex", "-o", "fsname=vorpex,subtype=vorpex"};
  std::vector<char*> argv;
  argv.reserve(words.size());
  for (std::string& word : words) argv.push_back(word.data());
  fuse_args args = FUSE_ARGS_INIT(static_cast<int>(argv.size()), argv.data());
  fuse* session = fuse_new(&args, &ops, sizeof ops, &tree);
  if (session == nullptr) {
    ReportError("FUSE 3 cannot start a file system here");
    return kExitFailed;
  }
  if (fuse_mount(session, folder.c_str()) != 0) {
    fuse_destroy(session);
    ReportError("cannot mount the player on " + folder +
                " (an empty folder of yours is needed, and /dev/fuse with fusermount3)");
    return kExitFailed;
  }
  std::string where;
  for (char letter : tree.MemoryLetters()) {
    where += (where.empty() ? "" : " and ") + folder + "/" + letter;
  }
  std::printf(
      "the player is mounted at %s: its memories are %s\n"
      "vorpex unmount %s (or fusermount3 -u %s) ends it\n",
      folder.c_str(), where.c_str(), folder.c_str(), folder.c_str());
  std::fflush(stdout);
  std::fflush(stderr);
  fuse_daemonize(foreground ? 1 : 0);
  // Ctrl-C, a request to terminate or a closed terminal unmount in the foreground.
  for (const int signal : {SIGINT, SIGTERM, SIGHUP}) (void)std::signal(signal, SIG_DFL);
  fuse_set_signal_handlers(fuse_get_session(session));
  const int status = fuse_loop(session);
  fuse_remove_signal_handlers(fuse_get_session(session));
  fuse_unmount(session);
  fuse_destroy(session);
  // An interrupt in the foreground ends it with 128 + the signal's number, as other commands.
  if (status > 0) return 128 + status;
  return status == 0 ? kExitOk : kExitFailed;
}

}  // namespace

int RunMount(const Options& given) {
  const auto folder = platform::AbsolutePath(given.input);
  if (!folder || !platform::FolderExists(*folder)) {
    ReportError("cannot mount on " + given.input + ": no such folder");
    return kExitFailed;
  }
  // The mount leaves the working folder: the simulated player's folder is kept whole.
  Options options = given;
  if (auto named = platform::EnvironmentVariable("VORPEX_SIMULATOR");
      named && !options.simulateFolder) {
    platform::SetEnvironment("VORPEX_SIMULATOR", platform::AbsolutePath(*named).value_or(*named));
  }
  if (options.simulateFolder) {
    options.simulateFolder =
        platform::AbsolutePath(*options.simulateFolder).value_or(*options.simulateFolder);
  }
  const auto lockPath = MountLockPath(options);
  if (!lockPath) {
    ReportError("no folder for the mount's lock record ($XDG_RUNTIME_DIR or the temporary folder)");
    return kExitFailed;
  }
  std::string holder;
  auto lock = platform::FileLock::Take(*lockPath, *folder, holder);
  if (!lock) {
    ReportError(holder.empty() ? "cannot write the mount's lock record " + *lockPath
                               : "the player is mounted at " + holder);
    return kExitFailed;
  }
  if (!SelectPlayerWithFaults(options)) return kExitFailed;
  TerminalUiSetup setup;
  setup.quiet = true;
  TerminalUi ui(stderr, std::move(setup));
  ui.Install();
  std::unique_ptr<FileRoute> route = OpenFileRoute(options.route, ui);
  if (!route) {
    ReportNoPlayer(ui);
    return kExitFailed;
  }
  // The device library's route cannot rename: the chip library's does it when it can.
  std::unique_ptr<FileRoute> renamer;
  bool renamerTried = false;
  auto openRenamer = [&]() -> FileRoute* {
    if (!renamerTried) renamer = OpenChipRoute();
    renamerTried = true;
    return renamer.get();
  };
  const auto cache = platform::CreateUniqueTempFolder("vorpex-mount-");
  if (!cache) {
    ReportError("cannot create the mount's cache folder in the temporary folder");
    return kExitFailed;
  }
  int status = kExitFailed;
  {
    MountTree tree(*route, openRenamer, *cache);
    if (tree.Start()) {
      status = Serve(tree, *folder, options.foreground);
    } else {
      ReportNoPlayer(ui);
    }
  }
  platform::RemoveEmptyFolder(*cache);
  // The player is let go when the process ends (its libraries hold it until then): the lock
  // stays until that moment, so that vorpex unmount returns only once the player is free.
  lock->HoldUntilExit();
  return status;
}

int RunUnmount(const Options& options) {
  const std::string folder = platform::AbsolutePath(options.input).value_or(options.input);
  std::string program;
  for (const char* candidate : {"/usr/bin/fusermount3", "/bin/fusermount3"}) {
    if (program.empty() && platform::FileExists(candidate)) program = candidate;
  }
  if (program.empty()) {
    ReportError("fusermount3 is missing (Debian's fuse3 package has it)");
    return kExitFailed;
  }
  const auto errors =
      platform::CreateUniqueTempFile(platform::TempFolder().value_or("/tmp/"), "vpx");
  const auto status =
      platform::RunProgram(program, {"-u", folder}, "/dev/null", errors.value_or("/dev/null"));
  std::string said;
  if (errors) {
    if (auto file =
            platform::File::Open(*errors, platform::Access::kRead, platform::Share::kReadWrite,
                                 platform::Disposition::kOpenExisting)) {
      std::vector<uint8_t> buffer(4096);
      const auto got = file->Read(buffer);
      said.assign(buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(got.value_or(0)));
    }
    platform::RemoveFile(*errors);
  }
  if (status != 0) {
    while (!said.empty() && said.back() == '\n') said.pop_back();
    ReportError("cannot unmount " + folder + (said.empty() ? "" : ": " + said));
    return kExitFailed;
  }
  // The mount lets the player go once it has ended: at most a few seconds.
  for (int wait = 0; wait < 100 && MountedAt(options) == folder; ++wait) platform::SleepMs(50);
  return kExitOk;
}

}  // namespace vorpex::cli
