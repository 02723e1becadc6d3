#include "errors.h"

#include "python_types.h"

namespace zemtra::python {

void RaiseLibraryError(const char* function, ErrorCode code) {
  const py::object error = Types().errorFor(code, function, ZemtraGetErrStr(code));
  PyErr_SetObject(reinterpret_cast<PyObject*>(Py_TYPE(error.ptr())), error.ptr());
  throw py::error_already_set();
}

}  // namespace zemtra::python
