"""Design.write by the command line's rule: the bytes of a regular file in
every place a path can name (a file, a link's target, a named pipe), a device
node kept a device, and a folder or a socket refused with Python's own errors.
"""

import errno
import os
import socket
import stat
import threading

import pytest
import quillomate as q


def design():
    return q.synthesize("symmetrical", 4000, 8000, 10, 0.2)


def read_fifo(path, into):
    with open(path, "rb") as f:
        into.append(f.read())


def test_every_place_gets_the_files_bytes(tmp_path):
    (tmp_path / "ref.dat").touch()
    design().write(tmp_path / "ref.dat")
    ref = (tmp_path / "ref.dat").read_bytes()
    (tmp_path / "other").mkdir()
    (tmp_path / "other" / "real.dat").write_text("an earlier file\n")
    os.symlink(tmp_path / "other" / "real.dat", tmp_path / "link.dat")
    os.symlink("other/made.dat", tmp_path / "dangling.dat")
    os.mkfifo(tmp_path / "pipe")
    for given, written in [("link.dat", "other/real.dat"), ("dangling.dat", "other/made.dat")]:
        design().write(tmp_path / given)
        assert os.path.islink(tmp_path / given)
        assert (tmp_path / written).read_bytes() == ref
    got = []
    reader = threading.Thread(target=read_fifo, args=(tmp_path / "pipe", got), daemon=True)
    reader.start()
    design().write(tmp_path / "pipe")
    reader.join(timeout=30)
    assert got == [ref]
    assert stat.S_ISFIFO(os.lstat(tmp_path / "pipe").st_mode)
    assert not [n for f in (tmp_path, tmp_path / "other") for n in os.listdir(f) if ".partial-" in n]


def test_no_file_is_refused_as_python_refuses_it(tmp_path):
    (tmp_path / "folder").mkdir()
    sock = socket.socket(socket.AF_UNIX)
    sock.bind(str(tmp_path / "sock"))
    try:
        with pytest.raises(IsADirectoryError, match="folder: is a folder$"):
            design().write(tmp_path / "folder")
        with pytest.raises(OSError, match="sock: is a socket$") as raised:
            design().write(tmp_path / "sock")
        assert raised.value.errno == errno.ENXIO
        assert stat.S_ISSOCK(os.lstat(tmp_path / "sock").st_mode)
    finally:
        sock.close()


def test_private_device_nodes_stay_devices(tmp_path):
    # Nodes of the test's own, never the system's /dev/full.
    try:
        os.mknod(tmp_path / "null", stat.S_IFCHR | 0o666, os.makedev(1, 3))
        os.mknod(tmp_path / "full", stat.S_IFCHR | 0o666, os.makedev(1, 7))
    except PermissionError as e:
        pytest.skip(f"mknod needs root ({e.strerror}): device nodes are not checked here")
    design().write(tmp_path / "null")
    with pytest.raises(OSError, match=r"^cannot write .*full: No space left on device$") as raised:
        design().write(tmp_path / "full")
    assert raised.value.errno == errno.ENOSPC
    for name, minor in [("null", 3), ("full", 7)]:
        st = os.lstat(tmp_path / name)
        assert stat.S_ISCHR(st.st_mode) and os.major(st.st_rdev) == 1 and os.minor(st.st_rdev) == minor
