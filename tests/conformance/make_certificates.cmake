# Makes a throwaway test authority and, signed by it, the stand-in service's certificate for the
# service's public host name: what the conformance test's service serves and its host trusts.
# Run when the tests run (fixture "conformance_tls"), so that no authority outlives its run.
#
#   cmake -DDIR=<folder> -DHOST=<host name> -DOPENSSL=<openssl> -P make_certificates.cmake
#
# Writes DIR/authority.der (for the host's root store), DIR/service.pem and DIR/service.key.
foreach(variable DIR HOST OPENSSL)
  if(NOT ${variable})
    message(FATAL_ERROR "make_certificates.cmake needs -D${variable}=...")
  endif()
endforeach()

file(REMOVE_RECURSE "${DIR}")
file(MAKE_DIRECTORY "${DIR}")
file(WRITE "${DIR}/service.ext"
  "subjectAltName = DNS:${HOST}\n"
  "basicConstraints = critical, CA:FALSE\n"
  "keyUsage = critical, digitalSignature, keyEncipherment\n"
  "extendedKeyUsage = serverAuth\n")

# RSA rather than EC: Wine's certificate checks are surest with it.
set(key "-newkey rsa:2048 -nodes")
foreach(step
    "req -x509 ${key} -days 2 -subj /CN=foo_brivanto\\ conformance\\ test\\ authority -addext basicConstraints=critical,CA:TRUE -addext keyUsage=critical,keyCertSign,cRLSign -keyout authority.key -out authority.pem"
    "x509 -in authority.pem -outform der -out authority.der"
    "req ${key} -subj /CN=${HOST} -keyout service.key -out service.csr"
    "x509 -req -in service.csr -CA authority.pem -CAkey authority.key -CAcreateserial -days 2 -extfile service.ext -out service.pem")
  separate_arguments(arguments UNIX_COMMAND "${step}")
  execute_process(COMMAND "${OPENSSL}" ${arguments} WORKING_DIRECTORY "${DIR}"
                  RESULT_VARIABLE status OUTPUT_QUIET ERROR_VARIABLE errors)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "openssl ${step}: ${errors}")
  endif()
endforeach()
# The authority's key is of no use once the service's certificate is signed.
file(REMOVE "${DIR}/authority.key" "${DIR}/service.csr")
