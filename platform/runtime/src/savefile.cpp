#include "savefile_p.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>

namespace plat::files {

namespace {

constexpr int kMaxLinks = 40;  // the kernel's own limit for one path

QByteArray Native(const QString& path) { return QFile::encodeName(path); }

class Fd {
public:
    explicit Fd(int fd) : fd_(fd) {}
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    ~Fd() {
        if (fd_ >= 0) ::close(fd_);
    }
    int get() const { return fd_; }
    void reset(int fd) {
        if (fd_ >= 0) ::close(fd_);
        fd_ = fd;
    }

private:
    int fd_;
};

// Store staff read these: Portuguese, not the system's own wording.
QString Reason(int error, const QString& folder) {
    switch (error) {
    case EACCES:
    case EPERM:
        return QStringLiteral("sem permissão de gravação na pasta '%1'").arg(folder);
    case EROFS:
        return QStringLiteral("o disco só permite leitura");
    case ENOSPC:
    case EDQUOT:
        return QStringLiteral("sem espaço no disco");
    case EFBIG:
        return QStringLiteral("o arquivo passaria do tamanho máximo permitido");
    case EIO:
        return QStringLiteral("falha de gravação no disco");
    case ENOENT:
    case ENOTDIR:
        return QStringLiteral("a pasta '%1' não existe").arg(folder);
    case ELOOP:
        return QStringLiteral("links demais ou em círculo no caminho");
    case EMFILE:
    case ENFILE:
    case ENOMEM:
        return QStringLiteral("sem recursos do sistema");
    default:
        break;
    }
    const char* name = ::strerrorname_np(error);
    return QStringLiteral("erro do sistema %1").arg(name ? QString::fromLatin1(name) : QString::number(error));
}

QString NotRegular(mode_t mode) {
    if (S_ISDIR(mode)) return QStringLiteral("é uma pasta");
    if (S_ISCHR(mode) || S_ISBLK(mode)) return QStringLiteral("é um dispositivo, não um arquivo comum");
    if (S_ISFIFO(mode)) return QStringLiteral("é um FIFO (pipe nomeado), não um arquivo comum");
    if (S_ISSOCK(mode)) return QStringLiteral("é um socket, não um arquivo comum");
    return QStringLiteral("não é um arquivo comum");
}

QString UserName(uid_t uid) {
    struct passwd pw {};
    struct passwd* found = nullptr;
    char buffer[4096];
    if (::getpwuid_r(uid, &pw, buffer, sizeof buffer, &found) == 0 && found) return QString::fromLocal8Bit(pw.pw_name);
    return QString::number(uid);
}

QString GroupName(gid_t gid) {
    struct group gr {};
    struct group* found = nullptr;
    char buffer[4096];
    if (::getgrgid_r(gid, &gr, buffer, sizeof buffer, &found) == 0 && found) return QString::fromLocal8Bit(gr.gr_name);
    return QString::number(gid);
}

bool NoSuchRename(int error) { return error == EINVAL || error == ENOSYS || error == ENOTSUP; }

}  // namespace

QString WriteTarget(const QString& path, QString& why) {
    if (path.isEmpty()) {
        why = QStringLiteral("caminho vazio");
        return {};
    }
    QString p = QDir::isAbsolutePath(path) ? path : QDir::currentPath() + QLatin1Char('/') + path;
    for (int hops = 0;; ++hops) {
        struct stat st {};
        if (::lstat(Native(p).constData(), &st) != 0 || !S_ISLNK(st.st_mode)) break;
        if (hops == kMaxLinks) {
            why = QStringLiteral("links demais ou em círculo");
            return {};
        }
        char buffer[PATH_MAX];
        const ssize_t n = ::readlink(Native(p).constData(), buffer, sizeof buffer);
        if (n <= 0 || static_cast<std::size_t>(n) == sizeof buffer) {
            why = QStringLiteral("não foi possível ler o link '%1'").arg(p);
            return {};
        }
        const QString next = QFile::decodeName(QByteArray(buffer, n));
        p = QDir::isAbsolutePath(next) ? next : p.left(p.lastIndexOf(QLatin1Char('/')) + 1) + next;
    }
    // The folder's own links and dots resolved: the real place, to be named.
    const qsizetype slash = p.lastIndexOf(QLatin1Char('/'));
    const QString real = QFileInfo(slash == 0 ? QStringLiteral("/") : p.left(slash)).canonicalFilePath();
    if (real.isEmpty()) return p;  // no such folder: the write says so
    return (real == QLatin1String("/") ? QString() : real) + p.mid(slash);
}

QString ReplaceWhole(const QString& target, const QByteArray& bytes) {
    const qsizetype slash = target.lastIndexOf(QLatin1Char('/'));
    const QString folder = slash <= 0 ? QStringLiteral("/") : target.left(slash);
    const QByteArray name = Native(target.mid(slash + 1));
    if (name.isEmpty() || name == "." || name == "..") return QStringLiteral("é uma pasta");
    // Read access is needed to sync the folder after the swap.
    const Fd dir(::open(Native(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.get() < 0)
        return errno == EACCES ? QStringLiteral("sem permissão de leitura na pasta '%1'").arg(folder)
                               : Reason(errno, folder);
    struct stat old {};
    const bool existing = ::fstatat(dir.get(), name.constData(), &old, AT_SYMLINK_NOFOLLOW) == 0;
    if (!existing && errno != ENOENT) return Reason(errno, folder);
    if (existing && !S_ISREG(old.st_mode)) return NotRegular(old.st_mode);

    QByteArray temp;  // the temporary file's name, once it has one
    const auto drop = [&] {
        if (!temp.isEmpty()) ::unlinkat(dir.get(), temp.constData(), 0);
        temp.clear();
    };
    const auto fresh = [&] {
        return name + '.' + QByteArray::number(QRandomGenerator::global()->bounded(36 * 36 * 36 * 36 * 36), 36);
    };
    // Unnamed until written and synced: a kill meanwhile leaves nothing.
    const mode_t mode = existing ? 0600 : 0666;
    Fd file(::openat(dir.get(), ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, mode));
    if (file.get() < 0) {
        if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) return Reason(errno, folder);
        for (int tries = 0; file.get() < 0; ++tries) {
            temp = fresh();
            file.reset(
                ::openat(dir.get(), temp.constData(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC | O_NOFOLLOW, mode));
            if (file.get() < 0 && (errno != EEXIST || tries == 100)) {
                const int error = errno;
                temp.clear();
                return Reason(error, folder);
            }
        }
    }
    const auto failed = [&](int error) {
        drop();
        return Reason(error, folder);
    };

    if (existing) {
        struct stat made {};
        if (::fstat(file.get(), &made) != 0) return failed(errno);
        // Owner before mode: a change of owner clears set-id bits.
        if ((made.st_uid != old.st_uid || made.st_gid != old.st_gid) &&
            ::fchown(file.get(), old.st_uid, old.st_gid) != 0) {
            drop();
            return QStringLiteral(
                       "não é possível manter o dono e o grupo do arquivo (%1:%2); grave como o dono do arquivo ou "
                       "como root")
                .arg(UserName(old.st_uid), GroupName(old.st_gid));
        }
        if (::fchmod(file.get(), old.st_mode & 07777) != 0) return failed(errno);
    }
    for (qsizetype done = 0; done < bytes.size();) {
        const ssize_t n = ::write(file.get(), bytes.constData() + done, static_cast<std::size_t>(bytes.size() - done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return failed(n < 0 ? errno : EIO);
        done += n;
    }
    if (::fsync(file.get()) != 0) {
        const int error = errno;
        drop();
        return QStringLiteral("o disco não confirmou a gravação (%1)").arg(Reason(error, folder));
    }
    if (temp.isEmpty()) {
        const QByteArray self = "/proc/self/fd/" + QByteArray::number(file.get());
        for (int tries = 0; temp.isEmpty(); ++tries) {
            const QByteArray candidate = fresh();
            int r = ::linkat(AT_FDCWD, self.constData(), dir.get(), candidate.constData(), AT_SYMLINK_FOLLOW);
            // Without /proc only a privileged process can name the file.
            if (r != 0 && errno == ENOENT)
                r = ::linkat(file.get(), "", dir.get(), candidate.constData(), AT_EMPTY_PATH);
            if (r == 0)
                temp = candidate;
            else if (errno != EEXIST || tries == 100)
                return Reason(errno, folder);
        }
    }

    if (!existing) {
        int r = ::renameat2(dir.get(), temp.constData(), dir.get(), name.constData(), RENAME_NOREPLACE);
        if (r != 0 && NoSuchRename(errno)) r = ::renameat(dir.get(), temp.constData(), dir.get(), name.constData());
        if (r != 0) {
            const int error = errno;
            drop();
            return error == EEXIST
                       ? QStringLiteral("outro programa criou o arquivo durante a gravação; nada foi gravado")
                       : Reason(error, folder);
        }
        temp.clear();
        if (::fsync(dir.get()) != 0) {
            const int error = errno;
            ::unlinkat(dir.get(), name.constData(), 0);
            ::fsync(dir.get());
            return QStringLiteral(
                       "o disco não confirmou a criação do arquivo na pasta (%1); o arquivo novo foi removido")
                .arg(Reason(error, folder));
        }
        return {};
    }

    // An exchange rather than a rename: until the folder is synced the old
    // file keeps a name, so a failure can put it back; and what was replaced
    // can be checked to be the file looked at.
    const bool swapped = ::renameat2(dir.get(), temp.constData(), dir.get(), name.constData(), RENAME_EXCHANGE) == 0;
    if (!swapped) {
        if (!NoSuchRename(errno)) return failed(errno);
        if (::renameat(dir.get(), temp.constData(), dir.get(), name.constData()) != 0) return failed(errno);
        temp.clear();
    } else {
        struct stat replaced {};
        if (::fstatat(dir.get(), temp.constData(), &replaced, AT_SYMLINK_NOFOLLOW) != 0 ||
            replaced.st_dev != old.st_dev || replaced.st_ino != old.st_ino) {
            if (::renameat2(dir.get(), temp.constData(), dir.get(), name.constData(), RENAME_EXCHANGE) == 0) drop();
            return QStringLiteral("o arquivo foi trocado por outro durante a gravação; nada foi substituído");
        }
    }
    if (::fsync(dir.get()) != 0) {
        const QString why = Reason(errno, folder);
        if (!swapped)
            return QStringLiteral(
                       "o disco não confirmou a troca do arquivo na pasta (%1); o arquivo novo está no lugar, mas "
                       "pode não resistir a uma queda de energia")
                .arg(why);
        if (::renameat2(dir.get(), temp.constData(), dir.get(), name.constData(), RENAME_EXCHANGE) != 0)
            return QStringLiteral(
                       "o disco não confirmou a troca do arquivo na pasta (%1); o arquivo novo está no lugar e o "
                       "anterior ficou em '%2'")
                .arg(why, folder + QLatin1Char('/') + QFile::decodeName(temp));
        drop();
        ::fsync(dir.get());
        return QStringLiteral("o disco não confirmou a troca do arquivo na pasta (%1); o arquivo anterior foi mantido")
            .arg(why);
    }
    // The old file's last name goes; the new one is already safe.
    drop();
    ::fsync(dir.get());
    return {};
}

}  // namespace plat::files
