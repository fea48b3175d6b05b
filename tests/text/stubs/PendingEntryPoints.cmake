# Entry points the text capture calls whose real code comes from other folders. While a
# definition is missing from the tree, a test-only stand-in takes its place; once the real
# code is in, the stand-in drops out by itself. Sets MKT_TEXT_PENDING_STUBS in the caller.
function(mkt_text_defined out glob regex)
  file(GLOB _files ${glob})
  set(_found FALSE)
  foreach(_f ${_files})
    file(STRINGS ${_f} _hits REGEX "${regex}")
    if(_hits)
      set(_found TRUE)
    endif()
  endforeach()
  set(${out} ${_found} PARENT_SCOPE)
endfunction()

function(mkt_text_add_pending_stubs target)
  set(_text ${PROJECT_SOURCE_DIR}/oemuni/text/*.cpp)
  set(_frame ${PROJECT_SOURCE_DIR}/oemuni/frame/*.cpp)
  set(_stubs "")
  foreach(_pair
      "BARCODE_TYPE|${_text}|^[A-Za-z].*[ *&]GetBarcodeType\\("
      "1D_CODE|${_text}|^[A-Za-z].*[ *&]Get1dCodeCommand\\("
      "2D_CODE|${_text}|^[A-Za-z].*[ *&]Get2dCodeCommand\\("
      "BARCODE_PREVIEW|${_text}|^[A-Za-z].*[ *&]AddBarCodePreviewData\\("
      "TEXT_KEYS|${_text}|^[A-Za-z].*[ *&]AddTextKeyImgBufAndDevFontData\\("
      "DEBUG_LOG|${_frame}|^[A-Za-z].*[ *&]DebugLogA\\("
      "PENDING_RECT|${_frame}|^[A-Za-z].*[ *&]ClearPendingImageRect\\(")
    string(REPLACE "|" ";" _parts "${_pair}")
    list(GET _parts 0 _name)
    list(GET _parts 1 _glob)
    list(GET _parts 2 _regex)
    mkt_text_defined(_have "${_glob}" "${_regex}")
    if(NOT _have)
      list(APPEND _stubs MKT_STUB_${_name})
    endif()
  endforeach()
  if(_stubs)
    message(STATUS "${target}: test-only stand-ins for ${_stubs}")
    target_sources(${target} PRIVATE ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/PendingEntryPoints.cpp)
    target_compile_definitions(${target} PRIVATE ${_stubs})
  endif()
  set(MKT_TEXT_PENDING_STUBS ${_stubs} PARENT_SCOPE)
endfunction()
