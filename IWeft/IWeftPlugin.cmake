# The plug-in level of the core, included from the top level once ICanvas
# exists (see IWeft/CMakeLists.txt).
if(IWEFT_PLUGIN_SOURCES)
  add_library(IWeft STATIC ${IWEFT_PLUGIN_SOURCES})
  target_link_libraries(IWeft PUBLIC IWeftCore ICanvas)
else()
  add_library(IWeft INTERFACE)
  target_link_libraries(IWeft INTERFACE IWeftCore ICanvas)
endif()
