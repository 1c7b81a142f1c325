// The part of WASI the module's C library calls, over files held in memory: the page reads the
// data folder into arriving files (below), and the viewer's own loaders (fopen, fread) read them
// from there. Only reading is possible: an open that would create, truncate or write is refused,
// as the viewer never writes.
"use strict";

const WASI_SUCCESS = 0;
const WASI_EACCES = 2;
const WASI_EBADF = 8;
const WASI_EINVAL = 28;
const WASI_ENOENT = 44;
const WASI_ENOSYS = 52;
const WASI_FILETYPE_DIRECTORY = 3;
const WASI_FILETYPE_REGULAR_FILE = 4;
const WASI_OFLAGS_WRITING = 1 | 4 | 8; // create, exclusive, truncate
const WASI_RIGHTS_WRITING = (1n << 6n) | (1n << 10n); // fd_write, path_create_directory
const WASI_FDFLAGS_APPEND = 1;
const PREOPENED_DIRECTORY = 3; // the data folder, the viewer's working folder
const PREOPENED_NAME = "/";

// The data folder's files as they come over the network: a name is pending from expect() until
// settle() gives its bytes, or null when the folder has no such file. The viewer may not open a
// pending file: fopen would take it for missing, and the page holds the viewer until it comes.
function makeArrivingFiles() {
  const settled = new Map(); // name -> Uint8Array, or null for a file the folder lacks
  const pending = new Map(); // name -> {promise, resolve}
  return {
    expect(name) {
      if (settled.has(name) || pending.has(name)) return;
      let resolve = null;
      const promise = new Promise((done) => {
        resolve = done;
      });
      pending.set(name, { promise, resolve });
    },
    settle(name, data) {
      settled.set(name, data);
      const waiting = pending.get(name);
      pending.delete(name);
      if (waiting !== undefined) waiting.resolve();
    },
    isPending: (name) => pending.has(name),
    // Resolves once the file has come or is known to be missing.
    arrival: (name) => (pending.has(name) ? pending.get(name).promise : Promise.resolve()),
    get: (name) => settled.get(name) || undefined,
    has: (name) => Boolean(settled.get(name)),
  };
}

function makeWasiFiles(files, log) {
  let memory = null;
  const open = new Map(); // fd -> {data, position}
  let nextFd = PREOPENED_DIRECTORY + 1;
  const view = () => new DataView(memory.buffer);
  const bytes = () => new Uint8Array(memory.buffer);
  const text = (pointer, length) =>
    new TextDecoder().decode(bytes().subarray(pointer, pointer + length));

  function fileName(pointer, length) {
    return text(pointer, length).replace(/^(\.\/|\/)+/, "");
  }

  const calls = {
    fd_prestat_get(fd, out) {
      if (fd !== PREOPENED_DIRECTORY) return WASI_EBADF;
      view().setUint8(out, 0); // a directory
      view().setUint32(out + 4, PREOPENED_NAME.length, true);
      return WASI_SUCCESS;
    },
    fd_prestat_dir_name(fd, pointer, length) {
      if (fd !== PREOPENED_DIRECTORY) return WASI_EBADF;
      bytes().set(new TextEncoder().encode(PREOPENED_NAME).subarray(0, length), pointer);
      return WASI_SUCCESS;
    },
    fd_fdstat_get(fd, out) {
      const isDirectory = fd === PREOPENED_DIRECTORY;
      if (!isDirectory && !open.has(fd)) return WASI_EBADF;
      const v = view();
      v.setUint8(out, isDirectory ? WASI_FILETYPE_DIRECTORY : WASI_FILETYPE_REGULAR_FILE);
      v.setUint16(out + 2, 0, true);
      v.setBigUint64(out + 8, ~WASI_RIGHTS_WRITING & 0xffffffffffffffffn, true);
      v.setBigUint64(out + 16, ~WASI_RIGHTS_WRITING & 0xffffffffffffffffn, true);
      return WASI_SUCCESS;
    },
    fd_fdstat_set_flags() {
      return WASI_SUCCESS;
    },
    path_open(dirFd, dirFlags, pathPointer, pathLength, oflags, rightsBase, rightsInheriting,
      fdflags, out) {
      if (dirFd !== PREOPENED_DIRECTORY) return WASI_EBADF;
      if ((oflags & WASI_OFLAGS_WRITING) !== 0 || (fdflags & WASI_FDFLAGS_APPEND) !== 0 ||
          (BigInt(rightsBase) & WASI_RIGHTS_WRITING) !== 0n) {
        return WASI_EACCES;
      }
      const name = fileName(pathPointer, pathLength);
      if (files.isPending(name)) throw new Error(`${name} was opened before it arrived`);
      const data = files.get(name);
      if (data === undefined) return WASI_ENOENT;
      const fd = nextFd++;
      open.set(fd, { data, position: 0 });
      view().setUint32(out, fd, true);
      return WASI_SUCCESS;
    },
    fd_read(fd, iovs, iovsLength, out) {
      const file = open.get(fd);
      if (file === undefined) return WASI_EBADF;
      const v = view();
      let total = 0;
      for (let i = 0; i < iovsLength; ++i) {
        const pointer = v.getUint32(iovs + i * 8, true);
        const length = v.getUint32(iovs + i * 8 + 4, true);
        const chunk = file.data.subarray(file.position, file.position + length);
        bytes().set(chunk, pointer);
        file.position += chunk.length;
        total += chunk.length;
        if (chunk.length < length) break;
      }
      v.setUint32(out, total, true);
      return WASI_SUCCESS;
    },
    fd_seek(fd, offset, whence, out) {
      const file = open.get(fd);
      if (file === undefined) return WASI_EBADF;
      const base = [0, file.position, file.data.length][whence];
      const position = base === undefined ? -1 : base + Number(offset);
      if (position < 0) return WASI_EINVAL;
      file.position = position;
      view().setBigUint64(out, BigInt(position), true);
      return WASI_SUCCESS;
    },
    fd_close(fd) {
      return open.delete(fd) ? WASI_SUCCESS : WASI_EBADF;
    },
    fd_write(fd, iovs, iovsLength, out) {
      if (fd !== 1 && fd !== 2) return WASI_EBADF;
      const v = view();
      let total = 0;
      let written = "";
      for (let i = 0; i < iovsLength; ++i) {
        const length = v.getUint32(iovs + i * 8 + 4, true);
        written += text(v.getUint32(iovs + i * 8, true), length);
        total += length;
      }
      log(written);
      v.setUint32(out, total, true);
      return WASI_SUCCESS;
    },
    proc_exit(code) {
      throw new Error(`the module ended with code ${code}`);
    },
  };
  // Anything else the C library might ask for is not there.
  const imports = new Proxy(calls, {
    get: (target, name) => target[name] || (() => WASI_ENOSYS),
  });
  return {
    imports,
    attach(instanceMemory) {
      memory = instanceMemory;
    },
  };
}
