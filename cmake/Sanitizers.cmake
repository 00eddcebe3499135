# Sanitizer builds: one option for AddressSanitizer together with
# UndefinedBehaviorSanitizer, one for ThreadSanitizer. They cannot be combined.
if(TARVOX_SANITIZE_ADDRESS AND TARVOX_SANITIZE_THREAD)
  message(FATAL_ERROR "TARVOX_SANITIZE_ADDRESS and TARVOX_SANITIZE_THREAD exclude each other")
endif()

if(TARVOX_SANITIZE_ADDRESS)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()

if(TARVOX_SANITIZE_THREAD)
  add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
  add_link_options(-fsanitize=thread)
endif()
