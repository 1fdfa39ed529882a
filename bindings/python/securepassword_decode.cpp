// securepassword_decode: the receiving side of the secure password field for Python servers, a
// CPython extension over libsecurepassword-decode's C interface. decode(text) takes the encoded
// password text (str or bytes-like) and gives a DecodedPassword (clear as a bytearray the caller
// can wipe, variant, warning) or raises DecodeError with the C interface's code and offset. A
// DecodedPassword never shows its clear text in repr() or str(), so logging one leaks nothing, and
// wipes it when a with block over it ends. The GIL is released while decoding, so threads decode
// in parallel; nothing is kept between calls.
#define PY_SSIZE_T_CLEAN
#include <Python.h>
#include <securepassword/decode.h>
#include <stdio.h>
#include <string.h>
#include <structmember.h>

namespace {

// Any text longer than this has its first fault within it (128 units take at most 384
// characters, and a 129th unit is known by its third), so reading no further changes no answer.
constexpr Py_ssize_t kMaxRead = 512;

PyObject* decodeError = nullptr;  // the module's exception type, created once at import
PyTypeObject* decodedType = nullptr;

// What decode gives on success. Its fields are read-only; clear is the one bytearray that holds
// the clear text, which wipe() (and leaving a with block) fills with zeros.
struct Decoded {
  PyObject ob_base;  // what PyObject_HEAD declares
  PyObject* clear;   // bytearray
  int variant;
  PyObject* warning;  // None or the warning's name
};

void WipeClear(Decoded* self) {
  if (self->clear != nullptr && PyByteArray_Check(self->clear))
    explicit_bzero(PyByteArray_AS_STRING(self->clear),
                   static_cast<size_t>(PyByteArray_GET_SIZE(self->clear)));
}

void DecodedDealloc(PyObject* object) {
  Decoded* self = reinterpret_cast<Decoded*>(object);
  // A result dropped unwiped takes its clear text with it, unless the caller still holds clear.
  if (self->clear != nullptr && Py_REFCNT(self->clear) == 1) WipeClear(self);
  Py_XDECREF(self->clear);
  Py_XDECREF(self->warning);
  PyTypeObject* type = Py_TYPE(object);
  type->tp_free(object);
  Py_DECREF(type);
}

// Says what was decoded without the clear text: its length, the variant and the warning.
PyObject* DecodedRepr(PyObject* object) {
  Decoded* self = reinterpret_cast<Decoded*>(object);
  const Py_ssize_t length = self->clear != nullptr && PyByteArray_Check(self->clear)
                                ? PyByteArray_GET_SIZE(self->clear)
                                : 0;
  return PyUnicode_FromFormat("DecodedPassword(clear=<%zd bytes>, variant=%d, warning=%R)", length,
                              self->variant, self->warning != nullptr ? self->warning : Py_None);
}

PyObject* DecodedWipe(PyObject* object, PyObject*) {
  WipeClear(reinterpret_cast<Decoded*>(object));
  Py_RETURN_NONE;
}

PyObject* DecodedEnter(PyObject* object, PyObject*) { return Py_NewRef(object); }

PyObject* DecodedExit(PyObject* object, PyObject*) {
  WipeClear(reinterpret_cast<Decoded*>(object));
  Py_RETURN_FALSE;  // exceptions from the block go on
}

PyMemberDef decodedMembers[] = {
    {"clear", T_OBJECT_EX, offsetof(Decoded, clear), READONLY,
     "the clear bytes (a bytearray), wiped by wipe() or at the end of a with block"},
    {"variant", T_INT, offsetof(Decoded, variant), READONLY, "the scrambler variant, 1 to 123"},
    {"warning", T_OBJECT, offsetof(Decoded, warning), READONLY, "None or \"longer-text-possible\""},
    {nullptr, 0, 0, 0, nullptr}};

PyMethodDef decodedMethods[] = {{"wipe", DecodedWipe, METH_NOARGS, "wipe() fills clear with zeros"},
                                {"__enter__", DecodedEnter, METH_NOARGS, nullptr},
                                {"__exit__", DecodedExit, METH_VARARGS, "wipes clear"},
                                {nullptr, nullptr, 0, nullptr}};

PyType_Slot decodedSlots[] = {
    {Py_tp_dealloc, reinterpret_cast<void*>(DecodedDealloc)},
    {Py_tp_repr, reinterpret_cast<void*>(DecodedRepr)},
    {Py_tp_members, decodedMembers},
    {Py_tp_methods, decodedMethods},
    {Py_tp_doc,
     const_cast<char*>("What decode gives on success: clear, variant, warning. repr() and str() "
                       "leave the clear text out; use it in a with block to wipe clear at its "
                       "end.")},
    {0, nullptr}};

PyType_Spec decodedSpec = {"securepassword_decode.DecodedPassword", sizeof(Decoded), 0,
#ifdef Py_TPFLAGS_DISALLOW_INSTANTIATION
                           Py_TPFLAGS_DEFAULT | Py_TPFLAGS_DISALLOW_INSTANTIATION,
#else
                           Py_TPFLAGS_DEFAULT,
#endif
                           decodedSlots};

// Raises DecodeError for r. fromStr: the text was a str, so what r.value names is a character
// (a code point), not a byte.
PyObject* RaiseDecodeError(const spw_result& r, bool fromStr) {
  char message[SPW_MESSAGE_SIZE];
  if (fromStr && r.code == SPW_INVALID_CHARACTER && (r.value <= 0x20 || r.value >= 0x7F)) {
    snprintf(message, sizeof message,
             "%s at offset %d: character U+%04X is not a letter, a digit or \"*\"",
             spw_code_name(r.code), r.offset, static_cast<unsigned>(r.value));
  } else {
    spw_describe(&r, message, sizeof message);
  }
  PyObject* error = PyObject_CallFunction(decodeError, "s", message);
  if (error == nullptr) return nullptr;
  PyObject* code = PyLong_FromLong(r.code);
  PyObject* name = PyUnicode_FromString(spw_code_name(r.code));
  PyObject* offset = PyLong_FromLong(r.offset);
  PyObject* value = PyLong_FromLong(r.value);
  if (code && name && offset && value && PyObject_SetAttrString(error, "code", code) == 0 &&
      PyObject_SetAttrString(error, "name", name) == 0 &&
      PyObject_SetAttrString(error, "offset", offset) == 0 &&
      PyObject_SetAttrString(error, "value", value) == 0)
    PyErr_SetObject(decodeError, error);
  Py_XDECREF(code);
  Py_XDECREF(name);
  Py_XDECREF(offset);
  Py_XDECREF(value);
  Py_DECREF(error);
  return nullptr;
}

PyObject* Decode(PyObject*, PyObject* text) {
  char copy[kMaxRead];
  const char* data = nullptr;
  Py_ssize_t length = 0;
  Py_ssize_t firstWide = -1;  // offset of the first non-ASCII character of a str
  Py_UCS4 wide = 0;
  Py_buffer view{};
  bool haveView = false;
  if (text == Py_None) {
    // data stays null: the C interface refuses it with its code
  } else if (PyUnicode_Check(text)) {
    if (PyUnicode_READY(text) != 0) return nullptr;
    length = PyUnicode_GET_LENGTH(text);
    if (PyUnicode_IS_ASCII(text)) {
      data = static_cast<const char*>(PyUnicode_DATA(text));
    } else {
      // Each character to one byte; a non-ASCII one to a byte refused at the same offset.
      length = length < kMaxRead ? length : kMaxRead;
      const int kind = PyUnicode_KIND(text);
      const void* units = PyUnicode_DATA(text);
      for (Py_ssize_t i = 0; i < length; ++i) {
        const Py_UCS4 c = PyUnicode_READ(kind, units, i);
        if (c >= 0x80 && firstWide < 0) {
          firstWide = i;
          wide = c;
        }
        copy[i] = static_cast<char>(c < 0x80 ? c : 0xFF);
      }
      data = copy;
    }
  } else if (PyObject_GetBuffer(text, &view, PyBUF_SIMPLE) == 0) {
    haveView = true;
    data = static_cast<const char*>(view.buf);
    length = view.len;
  } else {
    PyErr_Format(PyExc_TypeError, "decode() takes str, bytes or a bytes-like object, not %.100s",
                 Py_TYPE(text)->tp_name);
    return nullptr;
  }

  char clear[SPW_CLEAR_SIZE];
  spw_result r;
  Py_BEGIN_ALLOW_THREADS;
  spw_decode(data, static_cast<size_t>(length), clear, sizeof clear, &r);
  Py_END_ALLOW_THREADS;
  if (haveView) PyBuffer_Release(&view);
  if (r.code != SPW_OK) {
    if (r.code == SPW_INVALID_CHARACTER && r.offset == firstWide) r.value = static_cast<int>(wide);
    return RaiseDecodeError(r, PyUnicode_Check(text));
  }
  Decoded* result = PyObject_New(Decoded, decodedType);
  if (result == nullptr) {
    explicit_bzero(clear, sizeof clear);
    return nullptr;
  }
  result->clear = PyByteArray_FromStringAndSize(clear, static_cast<Py_ssize_t>(r.length));
  explicit_bzero(clear, sizeof clear);
  result->variant = r.variant;
  result->warning = r.warning == SPW_WARNING_NONE
                        ? Py_NewRef(Py_None)
                        : PyUnicode_FromString(spw_warning_name(r.warning));
  if (result->clear == nullptr || result->warning == nullptr) {
    Py_DECREF(result);
    return nullptr;
  }
  return reinterpret_cast<PyObject*>(result);
}

PyObject* CodeName(PyObject*, PyObject* code) {
  const long c = PyLong_AsLong(code);
  if (c == -1 && PyErr_Occurred()) return nullptr;
  return PyUnicode_FromString(spw_code_name(static_cast<int>(c)));
}

PyObject* Version(PyObject*, PyObject*) { return PyUnicode_FromString(spw_version()); }

PyObject* Cipher(PyObject*, PyObject*) { return PyUnicode_FromString(spw_cipher()); }

PyMethodDef methods[] = {
    {"decode", Decode, METH_O,
     "decode(text) -> DecodedPassword\n\nDecodes an encoded password text (str or bytes) exactly "
     "as "
     "the page posted it. Raises DecodeError (code, name, offset, value) when it cannot."},
    {"code_name", CodeName, METH_O, "code_name(code) -> the stable short name of an error code"},
    {"version", Version, METH_NOARGS, "version() -> the native library's version"},
    {"cipher", Cipher, METH_NOARGS, "cipher() -> \"aes-ni\" or \"tables\""},
    {nullptr, nullptr, 0, nullptr}};

PyModuleDef module = {PyModuleDef_HEAD_INIT,
                      "securepassword_decode",
                      "Decoder of the secure password field's encoded password texts.",
                      -1,
                      methods,
                      nullptr,
                      nullptr,
                      nullptr,
                      nullptr};

}  // namespace

PyMODINIT_FUNC PyInit_securepassword_decode(void) {
  PyObject* m = PyModule_Create(&module);
  if (m == nullptr) return nullptr;
  decodeError = PyErr_NewExceptionWithDoc(
      "securepassword_decode.DecodeError",
      "An encoded password text that cannot be decoded: code and name (the C interface's), offset "
      "of the first bad character (or byte of the decrypted text; -1 where none applies), value.",
      PyExc_ValueError, nullptr);
  decodedType = reinterpret_cast<PyTypeObject*>(PyType_FromSpec(&decodedSpec));
  if (decodeError == nullptr || decodedType == nullptr ||
      PyModule_AddObjectRef(m, "DecodeError", decodeError) < 0 ||
      PyModule_AddObjectRef(m, "DecodedPassword", reinterpret_cast<PyObject*>(decodedType)) < 0) {
    Py_DECREF(m);
    return nullptr;
  }
  return m;
}
