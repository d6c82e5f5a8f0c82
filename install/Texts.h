// The install's own texts for what stops it, in one table: each names the file and says
// what to do. They end in the Chinese full stop, which the error display takes as a stop.
#pragma once

namespace install::text {

// The check before anything is written. A list is of quoted full paths joined by "、".
inline constexpr char kDirectoryTooLong[] =
    "安装目录 \"%s\" 太长: 其中的文件路径超出系统的限制。请另选一个短一些的安装目录。";
inline constexpr char kFilesHeld[] =
    "下列文件正被其他程序使用，无法替换: %s。请先关闭 Zorvik电子帐本（以及其他打开这些文件的程序），再按“安装”。";
inline constexpr char kFilesReadOnly[] = "下列文件是只读的，无法替换: %s。请在文件的属性中去掉“只读”，再按“安装”。";
inline constexpr char kFoldersInTheWay[] = "下列位置是文件夹，无法用文件替换: %s。请移走这些文件夹或改名，再按“安装”。";
inline constexpr char kFileRefused[] = "文件 \"%s\" 无法替换: %s。";
inline constexpr char kMoreFiles[] = " 等 %d 个";
inline constexpr char kDiskTooSmall[] =
    "磁盘空间不足: 安装到 \"%s\" 需要 %s 的可用空间，现在只有 %s。请腾出磁盘空间或另选安装目录，再按“安装”。";

// Writing, for what still fails after the check. "写流出错" leads, as the file error does.
inline constexpr char kDiskFull[] =
    "写流出错: 复制文件 \"%s\" 时磁盘已满，文件没有写完。原来的文件没有改动; 请腾出磁盘空间，再按“安装”。";
inline constexpr char kNotWritten[] = "写流出错: 复制文件 \"%s\" 没有写完: %s。原来的文件没有改动。";
inline constexpr char kDatabaseBackupAt[] = "原数据库的备份在 \"%s\"。";

// The backups made before the user's own files are replaced.
inline constexpr char kDatabaseBackupFailed[] = "备份数据库 \"%s\" 失败: %s。安装已停止，原数据库未作改动!";
inline constexpr char kLoginBackupFailed[] = "备份连接设置文件 \"%s\" 失败: %s。安装已停止，原文件未作改动!";

// The report templates step, when the disk fills up while a template is written.
inline constexpr char kTemplateDiskFull[] = "解压报表文件失败: 磁盘已满，\"%s\" 没有写完。请腾出磁盘空间，再按“安装”。";

// The shortcut step: the link, as the file it would have become.
inline constexpr char kLinkNotSaved[] = "建立快捷方式失败: 无法保存 \"%s\": %s。";

}  // namespace install::text
