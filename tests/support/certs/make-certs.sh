#!/usr/bin/env bash
# Regenerates the test certificate authority and the server certificate for 127.0.0.1 and
# localhost that the network tests use, and a second one from an authority nobody trusts.
# Valid for 100 years so the committed files never expire under the tests. Writes next to
# this script.
set -euo pipefail
cd "$(dirname "$0")"
days=36500
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# authority NAME KEY CERT
authority() {
    openssl req -x509 -newkey rsa:2048 -nodes -sha256 -days "$days" -subj "/O=Veltrane Hub Tests/CN=$1" \
        -addext "basicConstraints=critical,CA:TRUE" -addext "keyUsage=critical,keyCertSign,cRLSign" \
        -addext "subjectKeyIdentifier=hash" -keyout "$2" -out "$3"
}

# server CA_KEY CA_CERT KEY CERT: a key, a request, and the certificate the authority issues.
server() {
    openssl req -newkey rsa:2048 -nodes -sha256 -subj "/O=Veltrane Hub Tests/CN=localhost" \
        -keyout "$3" -out "$work/server.csr"
    printf '%s\n' basicConstraints=critical,CA:FALSE keyUsage=critical,digitalSignature,keyEncipherment \
        extendedKeyUsage=serverAuth subjectAltName=IP:127.0.0.1,DNS:localhost \
        authorityKeyIdentifier=keyid subjectKeyIdentifier=hash > "$work/server.ext"
    openssl x509 -req -sha256 -days "$days" -in "$work/server.csr" -CA "$2" -CAkey "$1" \
        -CAcreateserial -CAserial "$work/ca.srl" -extfile "$work/server.ext" -out "$4"
}

authority "Veltrane Hub Test CA" ca-key.pem ca.pem
server ca-key.pem ca.pem server-key.pem server.pem
authority "Untrusted Test CA" "$work/other-ca-key.pem" "$work/other-ca.pem"
server "$work/other-ca-key.pem" "$work/other-ca.pem" untrusted-server-key.pem untrusted-server.pem
openssl verify -CAfile ca.pem server.pem
