# quorvia_add_resources: filled in with the resource compiler.
